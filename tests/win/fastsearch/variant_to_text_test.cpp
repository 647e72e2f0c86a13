// VariantToText for every kind of variant a record set may hold, with the system's date,
// time and decimal settings as the API reports them at run time.
#include <gtest/gtest.h>

#include <windows.h>

#include <oleauto.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "detect/FastSearch.h"
#include "platform/ComInit.h"
#include "platform/Dispatch.h"
#include "platform/SafeArray.h"
#include "platform/Variant.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;

namespace {

std::wstring ApiDate(const SYSTEMTIME& time)
{
    wchar_t text[64] = {};
    ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, text, 64);
    return text;
}

std::wstring ApiTime(const SYSTEMTIME& time)
{
    wchar_t text[64] = {};
    ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, text, 64);
    return text;
}

std::wstring Separator()
{
    wchar_t text[8] = {};
    ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, 8);
    return text;
}

double OleDate(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME time{year, month, 0, day, hour, minute, second, 0};
    double date = 0;
    ::SystemTimeToVariantTime(&time, &date);
    return date;
}

Variant Typed(VARTYPE type, auto set)
{
    Variant v;
    VARIANT& raw = *v.put();
    raw.vt = type;
    set(raw);
    return v;
}

// A one-dimensional array of `type` holding the given variants' values, lower bound `lower`.
Variant ArrayOf(VARTYPE type, const std::vector<Variant>& values, LONG lower = 0)
{
    SAFEARRAYBOUND bound{static_cast<ULONG>(values.size()), lower};
    SafeArray array;
    *array.put() = ::SafeArrayCreate(type, 1, &bound);
    for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
        LONG index = lower + i;
        Variant value = values[static_cast<std::size_t>(i)];
        if (type == VT_VARIANT) {
            EXPECT_EQ(::SafeArrayPutElement(array.get(), &index, &value.raw()), S_OK);
        } else {
            EXPECT_EQ(::VariantChangeType(&value.raw(), &value.raw(), 0, type), S_OK);
            void* data = type == VT_BSTR ? static_cast<void*>(value.raw().bstrVal) : &value.raw().lVal;
            EXPECT_EQ(::SafeArrayPutElement(array.get(), &index, data), S_OK);
        }
    }
    return Typed(VT_ARRAY | type, [&](VARIANT& raw) { raw.parray = array.release(); });
}

} // namespace

TEST(VariantToText, EveryRowOfTheTable)
{
    ComInit com;
    const std::wstring sep = Separator();
    const SYSTEMTIME afternoon{2009, 3, 0, 7, 14, 5, 9, 0};
    const SYSTEMTIME midnight{2009, 3, 0, 7, 0, 0, 0, 0};
    Variant inner(7);
    const struct {
        const char* name;
        Variant value;
        std::wstring text;
    } cases[] = {
        {"empty", Variant(), L""},
        {"null", Variant::Null(), L""},
        {"error code", Variant::Missing(), L""},
        {"16-bit", Typed(VT_I2, [](VARIANT& r) { r.iVal = -1234; }), L"-1234"},
        {"32-bit", Variant(2147483647L), L"2147483647"},
        {"byte", Typed(VT_UI1, [](VARIANT& r) { r.bVal = 200; }), L"200"},
        {"single", Typed(VT_R4, [](VARIANT& r) { r.fltVal = 2.5f; }), L"2" + sep + L"5"},
        {"double", Variant(1.5), L"1" + sep + L"5"},
        {"double, 15 digits", Variant(0.1 + 0.2), L"0" + sep + L"3"},
        {"whole double", Variant(42.0), L"42"},
        {"currency", Typed(VT_CY, [](VARIANT& r) { r.cyVal.int64 = 125000; }), L"12" + sep + L"5"},
        {"date-time", Variant::Date(OleDate(2009, 3, 7, 14, 5, 9)), ApiDate(afternoon) + L" " + ApiTime(afternoon)},
        {"date at midnight", Variant::Date(OleDate(2009, 3, 7, 0, 0, 0)), ApiDate(midnight)},
        {"true", Variant(true), L"True"},
        {"false", Variant(false), L"False"},
        {"string", Variant(L"Grüße\r\nZeile"), L"Grüße\r\nZeile"},
        {"nested variant", Typed(VT_VARIANT | VT_BYREF, [&](VARIANT& r) { r.pvarVal = &inner.raw(); }), L"7"},
        {"64-bit: no row of its own", Typed(VT_I8, [](VARIANT& r) { r.llVal = 5; }), L""},
        {"array of texts", ArrayOf(VT_BSTR, {Variant(L"Red"), Variant(L"Blue")}), L"Red\r\nBlue"},
        {"array of numbers", ArrayOf(VT_I4, {Variant(1), Variant(-2), Variant(3)}, 1), L"1\r\n-2\r\n3"},
        {"array of variants", ArrayOf(VT_VARIANT, {Variant(L"a"), Variant::Null(), Variant(true)}), L"a\r\n\r\nTrue"},
        {"array in an array", ArrayOf(VT_VARIANT, {ArrayOf(VT_BSTR, {Variant(L"x"), Variant(L"y")}), Variant(L"z")}),
         L"x\r\ny\r\nz"},
        {"empty array", ArrayOf(VT_BSTR, {}), L""},
    };
    for (const auto& c : cases) EXPECT_EQ(VariantToText(c.value), c.text) << c.name;
}

// Objects give their default value; one without a default value gives empty text.
TEST(VariantToText, ObjectsByTheirDefaultValue)
{
    ComInit com;
    test::StandInProfile profile(
        R"({ "stores": [ { "name": "S", "folders": [ { "name": "F", "items": [ { "Subject": "Hi" } ] } ] } ] })");
    {
        Dispatch outlook = test::CreateOutlook();
        Dispatch folder = outlook.callObject(L"GetNamespace", L"MAPI").getObject(L"Folders").callObject(L"Item", 1)
                              .getObject(L"Folders").callObject(L"Item", 1);
        Dispatch table = Dispatch::Create(L"vexla.MapiTable");
        table.put(L"Item", folder.get(L"Items"));
        Dispatch field = table.callObject(L"ExecSQL", L"SELECT EntryID, Subject from Folder")
                             .getObject(L"Fields").callObject(L"Item", L"Subject");
        EXPECT_EQ(VariantToText(field.variant()), L"Hi"); // a field's default member is its value
        EXPECT_EQ(VariantToText(table.variant()), L"");   // the table has none
        EXPECT_EQ(VariantToText(Typed(VT_DISPATCH, [](VARIANT& r) { r.pdispVal = nullptr; })), L"");
    }
}

// Along the last dimension of a two-dimensional array, the first index at its lower bound.
TEST(VariantToText, LastDimensionOfATable)
{
    ComInit com;
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 0}};
    SafeArray array;
    *array.put() = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
    for (LONG r = 0; r < 2; ++r)
        for (LONG c = 0; c < 3; ++c) {
            LONG index[2] = {r, c};
            Variant value(static_cast<int>(r * 10 + c));
            ASSERT_EQ(::SafeArrayPutElement(array.get(), index, &value.raw()), S_OK);
        }
    Variant value = Typed(VT_ARRAY | VT_VARIANT, [&](VARIANT& r) { r.parray = array.release(); });
    EXPECT_EQ(VariantToText(value), L"0\r\n1\r\n2");
}

TEST(VariantToTextLocale, DecimalSeparatorOfTheSystem)
{
    ComInit com;
    if (const char* expected = std::getenv("GLEANER_EXPECT_LOCALE"); expected && std::string(expected) == "de-DE") {
        wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
        ::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
        ASSERT_STREQ(name, L"de-DE") << "the locale did not take effect";
        EXPECT_EQ(VariantToText(Variant(1.5)), L"1,5");
        EXPECT_EQ(VariantToText(Variant(-1234.25)), L"-1234,25");
        EXPECT_EQ(VariantToText(Typed(VT_CY, [](VARIANT& r) { r.cyVal.int64 = 5; })), L"0,0005");
    }
    EXPECT_EQ(VariantToText(Variant(1.5)), L"1" + Separator() + L"5");
}
