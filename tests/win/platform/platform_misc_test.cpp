// JPEG decoding, text conversions, regional formats, the registry wrapper and error texts.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/ComError.h"
#include "platform/Jpeg.h"
#include "platform/LocaleFormat.h"
#include "platform/RegKey.h"
#include "platform/Text.h"

using namespace gleaner;

namespace {

std::string ReadTestFile(const char* name)
{
    std::ifstream in(std::string(GLEANER_TEST_DATA) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

int Red(std::uint32_t pixel) { return (pixel >> 16) & 0xFF; }
int Blue(std::uint32_t pixel) { return pixel & 0xFF; }

TEST(JpegTest, DecodesSizeAndColoursTopDown)
{
    std::string bytes = ReadTestFile("halves.jpg");
    ASSERT_FALSE(bytes.empty());
    Bitmap picture = DecodeJpeg(bytes.data(), bytes.size());
    ASSERT_EQ(picture.width, 16);
    ASSERT_EQ(picture.height, 8);
    // Left half red, right half blue (JPEG is lossy: compare loosely, away from the seam).
    EXPECT_GT(Red(picture.at(2, 4)), 200);
    EXPECT_LT(Blue(picture.at(2, 4)), 60);
    EXPECT_GT(Blue(picture.at(13, 4)), 200);
    EXPECT_LT(Red(picture.at(13, 4)), 60);
    EXPECT_EQ(picture.at(0, 0) >> 24, 0xFFu);

    HBITMAP handle = CreateBitmapHandle(picture);
    ASSERT_NE(handle, nullptr);
    BITMAP info{};
    ASSERT_NE(::GetObjectW(handle, sizeof(info), &info), 0);
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 8);
    ::DeleteObject(handle);
}

TEST(JpegTest, DamagedDataThrowsInsteadOfExiting)
{
    // libjpeg's default reaction to bad data is to end the process; ours is an exception.
    std::string bytes = ReadTestFile("halves.jpg");
    const std::string cases[] = {
        "",
        "not a picture at all",
        bytes.substr(0, 2) + std::string(64, '\xFF'), // a start marker and nothing sensible
        bytes.substr(0, 40),                         // cut short inside the headers
    };
    for (const std::string& data : cases) {
        SCOPED_TRACE(data.size());
        EXPECT_THROW(DecodeJpeg(data.data(), data.size()), std::runtime_error);
    }
    // Cut short inside the scan: libjpeg warns and fills the rest, which is still a picture.
    std::string cut = bytes.substr(0, bytes.size() - 12);
    Bitmap partial = DecodeJpeg(cut.data(), cut.size());
    EXPECT_EQ(partial.width, 16);
    EXPECT_EQ(partial.height, 8);
}

TEST(TextTest, RoundTripsThroughUtf8AndAnsi)
{
    const std::wstring text = L"Grüße – 日本 \U0001F600";
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    EXPECT_EQ(ToUtf8(L"\u00fc"), "\xC3\xBC");
    EXPECT_EQ(FromAnsi(ToAnsi(L"Plain ASCII")), L"Plain ASCII");
    EXPECT_EQ(ToUtf8(L""), "");
    EXPECT_EQ(UpperCase(L"Meier äb"), L"MEIER ÄB");
}

TEST(LocaleFormatTest, MatchesTheSystemFormatsAndKeepsMilliseconds)
{
    // 2009-03-07 14:05:09.250 as an OLE date.
    SYSTEMTIME source{2009, 3, 6, 7, 14, 5, 9, 250};
    double oleDate = 0;
    ASSERT_TRUE(::SystemTimeToVariantTime(&source, &oleDate));
    oleDate += 0.25 / 86400.0; // SystemTimeToVariantTime drops milliseconds
    SYSTEMTIME back = OleDateToSystemTime(oleDate);
    EXPECT_EQ(back.wYear, 2009);
    EXPECT_EQ(back.wMonth, 3);
    EXPECT_EQ(back.wDay, 7);
    EXPECT_EQ(back.wHour, 14);
    EXPECT_EQ(back.wMinute, 5);
    EXPECT_EQ(back.wSecond, 9);
    EXPECT_EQ(back.wMilliseconds, 250);

    wchar_t expected[64];
    ASSERT_GT(::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &source, nullptr, expected, 64), 0);
    EXPECT_EQ(FormatShortDate(source), expected);
    ASSERT_GT(::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &source, nullptr, expected, 64), 0);
    EXPECT_EQ(FormatLongTime(source), expected);
    EXPECT_NE(FormatShortDate(source).find(L"2009"), std::wstring::npos);
}

class RegKeyTest : public ::testing::Test {
protected:
    static constexpr const wchar_t* kPath = L"Software\\GleanerTests\\RegKey";
    void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\GleanerTests"); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\GleanerTests"); }
};

TEST_F(RegKeyTest, CreatesWritesReadsAndReportsMissingValues)
{
    EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, kPath));
    EXPECT_FALSE(RegKey::TryOpen(HKEY_CURRENT_USER, kPath).has_value());

    RegKey key = RegKey::Create(HKEY_CURRENT_USER, kPath);
    key.writeString(L"Name", L"Grüße");
    key.writeString(L"Empty", L"");
    key.writeDword(L"Number", 0xFFFFFFFFu);
    EXPECT_TRUE(RegKey::Exists(HKEY_CURRENT_USER, kPath));

    auto reopened = RegKey::TryOpen(HKEY_CURRENT_USER, kPath);
    ASSERT_TRUE(reopened.has_value());
    EXPECT_EQ(reopened->readString(L"name"), L"Grüße");
    EXPECT_EQ(reopened->readString(L"Empty"), L"");
    EXPECT_EQ(reopened->readDword(L"Number"), 0xFFFFFFFFu);
    EXPECT_EQ(reopened->valueType(L"Number"), std::optional<DWORD>(REG_DWORD));
    EXPECT_FALSE(reopened->valueType(L"Absent").has_value());

    // Absent values and values of another type.
    EXPECT_FALSE(reopened->tryReadString(L"Absent").has_value());
    EXPECT_FALSE(reopened->tryReadDword(L"Name").has_value());
    EXPECT_FALSE(reopened->tryReadString(L"Number").has_value());
    EXPECT_THROW(reopened->readDword(L"Absent"), Win32Error);
    EXPECT_THROW(reopened->readString(L"Number"), Win32Error);

    key.deleteValue(L"Name");
    EXPECT_FALSE(reopened->hasValue(L"Name"));
    EXPECT_NO_THROW(key.deleteValue(L"Name")); // deleting what is gone is not an error
}

TEST_F(RegKeyTest, ReadsStringsStoredWithoutTerminator)
{
    RegKey key = RegKey::Create(HKEY_CURRENT_USER, kPath);
    const wchar_t raw[] = {L'a', L'b', L'c'}; // no terminating zero, as other programs may write
    ASSERT_EQ(::RegSetValueExW(key.get(), L"Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw), sizeof(raw)),
              ERROR_SUCCESS);
    EXPECT_EQ(key.readString(L"Raw"), L"abc");
}

TEST(ComErrorTest, TextsForCodesWineDoesNotDescribe)
{
    struct Case {
        HRESULT hr;
        const wchar_t* text;
    };
    const Case cases[] = {
        {DISP_E_UNKNOWNNAME, L"Unknown name."},
        {RPC_E_DISCONNECTED, L"The object invoked has disconnected from its clients."},
        {REGDB_E_CLASSNOTREG, L"Class not registered."},
    };
    for (const Case& c : cases) {
        std::wstring text = HresultText(c.hr);
        EXPECT_NE(text.find(c.text), std::wstring::npos) << ToUtf8(text);
    }
    // A code nobody knows still names itself.
    EXPECT_NE(HresultText(static_cast<HRESULT>(0x8ABC0001)).find(L"0x8ABC0001"), std::wstring::npos);

    try {
        ThrowComError(E_FAIL, L"Ünïcode text");
    } catch (const ComError& e) {
        EXPECT_EQ(e.message(), L"Ünïcode text");
        EXPECT_EQ(ExceptionMessage(e), L"Ünïcode text");
        EXPECT_EQ(std::string(e.what()), ToUtf8(L"Ünïcode text"));
    }
    EXPECT_EQ(ExceptionMessage(std::runtime_error("plain")), L"plain");
}

} // namespace
