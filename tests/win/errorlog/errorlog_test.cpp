// The error log: line format, appending, the folder chain, and failures that must not escape.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <fstream>
#include <sstream>

#include "app/ErrorLog.h"
#include "platform/LocaleFormat.h"
#include "platform/Text.h"

using namespace gleaner;

namespace {

std::wstring NewTempFolder()
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    return std::wstring(temp) + L"gleaner-log-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(++counter);
}

std::string ReadBytes(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class ErrorLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = NewTempFolder();
        SetLogFolderForTesting(root + L"\\a\\b\\Ostrel\\Gleaner");
    }
    void TearDown() override { SetLogFolderForTesting({}); }
    std::wstring root;
};

SYSTEMTIME At(int hour, int minute, int second, int millis)
{
    SYSTEMTIME time{};
    time.wYear = 2008;
    time.wMonth = 12;
    time.wDay = 24;
    time.wDayOfWeek = 3;
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    time.wMilliseconds = static_cast<WORD>(millis);
    return time;
}

TEST(LogLineTest, DateThenLongTimeExceptAtExactlyMidnight)
{
    struct Case {
        SYSTEMTIME time;
        bool withTime;
    } cases[] = {
        {At(16, 5, 9, 0), true},
        {At(0, 0, 0, 0), false},
        {At(0, 0, 1, 0), true},
        {At(0, 0, 0, 500), true}, // not exactly midnight: the time is written, milliseconds are not
        {At(23, 59, 59, 999), true},
    };
    for (const Case& c : cases) {
        std::wstring stamp = FormatShortDate(c.time);
        if (c.withTime) stamp += L" " + FormatLongTime(c.time);
        EXPECT_EQ(FormatLogLine(c.time, L"Boom line 220"), stamp + L" Boom line 220")
            << c.time.wHour << ":" << c.time.wMinute << ":" << c.time.wSecond << "." << c.time.wMilliseconds;
    }
    // The midnight line is the date, one blank, the message.
    EXPECT_EQ(FormatLogLine(At(0, 0, 0, 0), L"x"), FormatShortDate(At(0, 0, 0, 0)) + L" x");
}

TEST_F(ErrorLogTest, CreatesTheFolderChainAndAppendsAnsiLinesInOrder)
{
    std::wstring path = ErrorLogPath();
    ASSERT_EQ(path, root + L"\\a\\b\\Ostrel\\Gleaner\\Gleaner.error.log");
    ASSERT_FALSE(Exists(root));

    SYSTEMTIME before{}, after{};
    ::GetLocalTime(&before);
    LogError(L"first line 175");
    ::GetLocalTime(&after);
    LogError(L"second\r\nspans lines \x00FC"); // ü is in the ANSI code page
    LogError(L"Only the bare message");

    std::string text = ReadBytes(path);
    // Split on CR LF only: the second message keeps its own line break.
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            EXPECT_EQ(start, text.size()) << "the file ends with a line end";
            break;
        }
        parts.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    ASSERT_EQ(parts.size(), 4u) << text;
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    std::string today = ToAnsi(FormatShortDate(now)) + " ";
    EXPECT_EQ(parts[0].rfind(today, 0), 0u) << parts[0];
    EXPECT_TRUE(parts[0].ends_with(" first line 175")) << parts[0];
    EXPECT_TRUE(parts[1].ends_with(" second")) << parts[1];
    EXPECT_EQ(parts[2], "spans lines \xFC");
    EXPECT_EQ(parts[3].rfind(today, 0), 0u);
    EXPECT_TRUE(parts[3].ends_with(" Only the bare message"));
    // The first line is exactly the formatted line of the moment it was written.
    std::string atBefore = ToAnsi(FormatLogLine(before, L"first line 175"));
    std::string atAfter = ToAnsi(FormatLogLine(after, L"first line 175"));
    EXPECT_TRUE(parts[0] == atBefore || parts[0] == atAfter) << parts[0] << " / " << atBefore;
}

TEST_F(ErrorLogTest, NeverRewritesWhatIsThere)
{
    std::wstring folder = LogFolder();
    ASSERT_TRUE(CreateFolderChain(folder));
    {
        std::ofstream out(ErrorLogPath().c_str(), std::ios::binary);
        out << "older line\r\n";
    }
    LogError(L"newer");
    std::string text = ReadBytes(ErrorLogPath());
    EXPECT_EQ(text.rfind("older line\r\n", 0), 0u) << text;
    EXPECT_TRUE(text.ends_with(" newer\r\n")) << text;
}

TEST_F(ErrorLogTest, FailuresStayInside)
{
    // A folder that cannot be created: its parent is a file.
    ASSERT_TRUE(CreateFolderChain(root));
    std::wstring blocker = root + L"\\blocker";
    { std::ofstream(blocker.c_str()) << "x"; }
    SetLogFolderForTesting(blocker + L"\\Ostrel\\Gleaner");
    EXPECT_FALSE(CreateFolderChain(LogFolder()));
    LogError(L"lost"); // returns normally
    EXPECT_FALSE(Exists(blocker + L"\\Ostrel"));

    // A log file that another holder keeps open without sharing.
    SetLogFolderForTesting(root + L"\\locked");
    ASSERT_TRUE(CreateFolderChain(LogFolder()));
    HANDLE held = ::CreateFileW(ErrorLogPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    LogError(L"also lost");
    ::CloseHandle(held);
    EXPECT_EQ(ReadBytes(ErrorLogPath()), "");
    LogError(L"written again");
    EXPECT_TRUE(ReadBytes(ErrorLogPath()).ends_with(" written again\r\n"));
}

TEST(SpecialFolderTest, LocalAppDataWithoutTrailingBackslashEmptyOnFailure)
{
    std::wstring local = GetSpecialFolderPath(CSIDL_LOCAL_APPDATA);
    ASSERT_FALSE(local.empty());
    EXPECT_NE(local.back(), L'\\');
    EXPECT_TRUE(Exists(local));
    EXPECT_EQ(LogFolder(), local + L"\\Ostrel\\Gleaner");
    EXPECT_EQ(ErrorLogPath(), local + L"\\Ostrel\\Gleaner\\Gleaner.error.log");
    EXPECT_EQ(GetSpecialFolderPath(0x7F), L""); // no such folder
}

} // namespace
