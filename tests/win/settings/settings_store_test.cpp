// Loading and saving the settings key: first run, what every save writes, the stored forms
// that need care, and values of the wrong type or missing that are logged and skipped.
#include <functional>
#include <set>

#include "SettingsSupport.h"
#include "app/ErrorLog.h"

using namespace gleaner;
using namespace gleaner::test;

namespace {

using Value = MainWindowSettings::Value;

const wchar_t* const kNames[] = {L"search_pref", L"MAPI_MoveFolder", L"Item_Subject", L"SplitX", L"SplitY",
                                 L"TV1", L"TV2", L"Form1X", L"Form1Y", L"Form3X", L"Form3Y", L"AppX", L"AppY",
                                 L"SubWidth", L"FoldWidth", L"chklst1", L"chklst2", L"chklst3", L"chklst4",
                                 L"chklst5", L"chklst6"};

const wchar_t kChklst2[] = L"0110100110010110011001101001011010010110";

// A key as a save leaves it, every value unlike the design defaults.
void WriteFullKey()
{
    // Newest, then Largest wins its group; same folder; "Modify subject"; Fast Search.
    WriteText(L"search_pref", L"01000101011");
    WriteText(L"MAPI_MoveFolder", L"\\Personal Folders\\Archive");
    WriteText(L"Item_Subject", L"[dup] ");
    const std::pair<const wchar_t*, DWORD> numbers[] = {
        {L"SplitX", 250}, {L"SplitY", 180}, {L"TV1", 176},      {L"TV2", 90},        {L"Form1X", 40},
        {L"Form1Y", 30},  {L"Form3X", 300}, {L"Form3Y", 120},   {L"AppX", 500},      {L"AppY", 700},
        {L"SubWidth", 150}, {L"FoldWidth", 260}};
    for (const auto& [name, number] : numbers) WriteNumber(name, number);
    WriteText(L"chklst1", L"0000000000000000001");
    WriteText(L"chklst2", kChklst2);
    WriteText(L"chklst3", std::wstring(20, L'1'));
    WriteText(L"chklst4", L"010101010101010101");
    WriteText(L"chklst5", L"001100");
    WriteText(L"chklst6", L"111111111111111111111");
}

void ExpectListsMirrorProfiles(const TForm3& dialog)
{
    for (ItemKind kind : kItemKinds)
        EXPECT_EQ(ListTicks(dialog, kind), EncodeCheckList(dialog.Profiles(), kind)) << static_cast<int>(kind);
    EXPECT_EQ(Checked(dialog.CheckBox1), dialog.SameFolder());
}

TEST_F(SettingsTest, FirstRunKeepsDesignDefaultsTicksTheFirstStartSetAndClosingStoresIt)
{
    TForm3& dialog = NewDialog();
    dialog.ReadSettings();

    EXPECT_TRUE(Checked(dialog.RadioButton2)); // "Oldest creation time"
    EXPECT_TRUE(Checked(dialog.RadioButton6)); // "Delete (permanetly)"
    EXPECT_EQ(dialog.Original(), OriginalRule::OldestCreation);
    EXPECT_EQ(dialog.Behavior(), DuplicateBehavior::DeletePermanently);
    EXPECT_EQ(dialog.MoveFolderPath(), L"");
    EXPECT_EQ(dialog.SubjectMark(), L"***DUPLICATE***");
    EXPECT_FALSE(dialog.SameFolder());
    EXPECT_FALSE(mainWindow().fastSearch);
    EXPECT_TRUE(mainWindow().showFoundMessage);
    EXPECT_EQ(ListTicks(dialog, ItemKind::Calendar), L"1011100000000000000");
    EXPECT_EQ(ListTicks(dialog, ItemKind::Contact), L"1010110000000000000000000000000000000000");
    EXPECT_EQ(ListTicks(dialog, ItemKind::Mail), L"11000000000000000000");
    EXPECT_EQ(ListTicks(dialog, ItemKind::Journal), L"111100000000000000");
    EXPECT_EQ(ListTicks(dialog, ItemKind::Note), L"110000");
    EXPECT_EQ(ListTicks(dialog, ItemKind::Task), L"101100000000000000000");
    ExpectListsMirrorProfiles(dialog);
    EXPECT_EQ(mainWindow().values.at(Value::TV1), 1003); // nothing else was touched

    ::SendMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(dialog.hwnd()));
    ASSERT_NE(dialog.hwnd(), nullptr); // closing only hides it
    EXPECT_EQ(StoredText(L"search_pref"), L"10010010000");
    EXPECT_EQ(StoredText(L"Item_Subject"), L"***DUPLICATE***");
    EXPECT_EQ(StoredText(L"chklst3"), L"11000000000000000000");
    EXPECT_TRUE(LogLines().empty());
}

// Every save writes every value, by name and type, whatever the key held before.
TEST_F(SettingsTest, EverySaveWritesEveryValueWithItsType)
{
    WriteText(L"Unrelated", L"kept");
    WriteText(L"TV1", L"wrong type before"); // rewritten as a number
    TForm3& dialog = NewDialog();
    dialog.SetPosition({123, 45});
    dialog.SaveSettings();

    // The registry of the test prefix lists values by name, not in the order written.
    std::set<std::wstring> names;
    for (const StoredValue& value : StoredValues()) {
        if (value.name == L"Unrelated") continue;
        names.insert(value.name);
        const bool text = value.name == L"search_pref" || value.name == L"MAPI_MoveFolder" ||
                          value.name == L"Item_Subject" || value.name.rfind(L"chklst", 0) == 0;
        EXPECT_EQ(value.type, text ? DWORD{REG_SZ} : DWORD{REG_DWORD}) << value.name;
    }
    EXPECT_EQ(names, std::set<std::wstring>(std::begin(kNames), std::end(kNames)));
    EXPECT_EQ(StoredText(L"Unrelated"), L"kept");
    EXPECT_EQ(StoredNumber(L"TV1"), 1003u);
    EXPECT_EQ(StoredNumber(L"AppX"), 1007u);
    EXPECT_EQ(StoredNumber(L"AppY"), 1008u);
    EXPECT_EQ(StoredNumber(L"Form3X"), 123u);
    EXPECT_EQ(StoredNumber(L"Form3Y"), 45u);
    EXPECT_EQ(StoredText(L"chklst2"), std::wstring(40, L'0'));
}

TEST_F(SettingsTest, AFullKeyRestoresEverything)
{
    WriteFullKey();
    TForm3& dialog = NewDialog();
    dialog.ReadSettings();

    EXPECT_EQ(dialog.Original(), OriginalRule::LargestSize);
    EXPECT_EQ(dialog.Behavior(), DuplicateBehavior::ModifySubject);
    EXPECT_TRUE(dialog.SameFolder());
    EXPECT_FALSE(mainWindow().showFoundMessage);
    EXPECT_TRUE(mainWindow().fastSearch);
    EXPECT_EQ(dialog.MoveFolderPath(), L"\\Personal Folders\\Archive");
    EXPECT_EQ(dialog.SubjectMark(), L"[dup] ");
    const std::map<Value, int> expected = {{Value::SplitX, 250}, {Value::SplitY, 180}, {Value::TV1, 176},
                                           {Value::TV2, 90},     {Value::Form1X, 40},  {Value::Form1Y, 30},
                                           {Value::AppX, 500},   {Value::AppY, 700},   {Value::SubWidth, 150},
                                           {Value::FoldWidth, 260}};
    EXPECT_EQ(mainWindow().values, expected);
    EXPECT_EQ(dialog.Position().x, 300);
    EXPECT_EQ(dialog.Position().y, 120);
    EXPECT_EQ(ListTicks(dialog, ItemKind::Calendar), L"0000000000000000001");
    EXPECT_EQ(ListTicks(dialog, ItemKind::Contact), kChklst2);
    EXPECT_EQ(ListTicks(dialog, ItemKind::Note), L"001100");
    ExpectListsMirrorProfiles(dialog);
    EXPECT_TRUE(LogLines().empty());
}

// Stored forms that need care; each starts from a full key and changes it.
TEST_F(SettingsTest, StoredFormsThatNeedCare)
{
    const struct {
        const char* name;
        std::function<void()> change;
        std::function<void(const TForm3&, const FakeMainWindow&)> check;
    } cases[] = {
        {"seven-character search_pref: positions 8 to 11 read as off",
         [] { WriteText(L"search_pref", L"0100011"); },
         [](const TForm3& d, const FakeMainWindow& m) {
             EXPECT_EQ(d.Original(), OriginalRule::NewestCreation);
             EXPECT_EQ(d.Behavior(), DuplicateBehavior::None); // "Delete (permanetly)" was switched off
             EXPECT_TRUE(d.SameFolder());
             EXPECT_TRUE(m.showFoundMessage);
             EXPECT_FALSE(m.fastSearch);
         }},
        {"\"1\" at positions 1 and 2: the newest wins",
         [] { WriteText(L"search_pref", L"11010010000"); },
         [](const TForm3& d, const FakeMainWindow&) {
             EXPECT_FALSE(Checked(d.RadioButton2));
             EXPECT_TRUE(Checked(d.RadioButton3));
             EXPECT_EQ(d.Behavior(), DuplicateBehavior::DeletePermanently);
         }},
        {"eleven \"0\": neither group has a button on",
         [] { WriteText(L"search_pref", L"00000000000"); },
         [](const TForm3& d, const FakeMainWindow& m) {
             for (HWND radio : {d.RadioButton2, d.RadioButton3, d.RadioButton4, d.RadioButton8, d.RadioButton7,
                                d.RadioButton6, d.RadioButton5, d.RadioButton1})
                 EXPECT_FALSE(Checked(radio));
             EXPECT_EQ(d.Original(), OriginalRule::None);
             EXPECT_EQ(d.Behavior(), DuplicateBehavior::None);
             EXPECT_FALSE(m.showFoundMessage);
         }},
        {"missing search_pref reads as empty: every flag off",
         [] { DeleteValue(L"search_pref"); },
         [](const TForm3& d, const FakeMainWindow& m) {
             EXPECT_EQ(d.Original(), OriginalRule::None);
             EXPECT_EQ(d.Behavior(), DuplicateBehavior::None);
             EXPECT_FALSE(m.showFoundMessage);
         }},
        {"chklst3 of two \"1\": Subject* and Body* of Mail, nothing else",
         [] { WriteText(L"chklst3", L"11"); },
         [](const TForm3& d, const FakeMainWindow&) {
             EXPECT_EQ(ListTicks(d, ItemKind::Mail), L"11000000000000000000");
             EXPECT_EQ(ListTicks(d, ItemKind::Task), std::wstring(21, L'1'));
         }},
        {"longer chklst: the extra characters are ignored",
         [] { WriteText(L"chklst5", L"1011011111"); },
         [](const TForm3& d, const FakeMainWindow&) { EXPECT_EQ(ListTicks(d, ItemKind::Note), L"101101"); }},
        {"no AppX, AppY, SubWidth, FoldWidth: those keep their state",
         [] {
             for (const wchar_t* name : {L"AppX", L"AppY", L"SubWidth", L"FoldWidth"}) DeleteValue(name);
         },
         [](const TForm3&, const FakeMainWindow& m) {
             EXPECT_EQ(m.values.at(Value::AppX), 1007);
             EXPECT_EQ(m.values.at(Value::AppY), 1008);
             EXPECT_EQ(m.values.at(Value::SubWidth), 1009);
             EXPECT_EQ(m.values.at(Value::FoldWidth), 1010);
             EXPECT_EQ(m.values.at(Value::TV2), 90);
         }},
        {"missing MAPI_MoveFolder and Item_Subject empty their boxes",
         [] {
             DeleteValue(L"MAPI_MoveFolder");
             DeleteValue(L"Item_Subject");
         },
         [](const TForm3& d, const FakeMainWindow&) {
             EXPECT_EQ(d.MoveFolderPath(), L"");
             EXPECT_EQ(d.SubjectMark(), L"");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteSettingsKey();
        ClearLog();
        WriteFullKey();
        c.change();
        TForm3& dialog = NewDialog();
        dialog.ReadSettings();
        c.check(dialog, mainWindow());
        ExpectListsMirrorProfiles(dialog);
        EXPECT_TRUE(LogLines().empty());
    }
}

// A value of the wrong type, or a missing one among the eight integers always written, is
// logged by name and leaves its setting alone; every value after it is still applied.
TEST_F(SettingsTest, AValueOfTheWrongTypeOrAMissingIntegerIsLoggedAndSkipped)
{
    const struct {
        const char* name;
        std::function<void()> change;
        const wchar_t* line;
        std::function<void(const TForm3&, const FakeMainWindow&)> kept;
    } cases[] = {
        {"REG_SZ for SplitY", [] { WriteText(L"SplitY", L"180"); }, L"Invalid data type for 'SplitY'",
         [](const TForm3&, const FakeMainWindow& m) { EXPECT_EQ(m.values.at(Value::SplitY), 1002); }},
        {"no TV1", [] { DeleteValue(L"TV1"); }, L"Failed to get data for 'TV1'",
         [](const TForm3&, const FakeMainWindow& m) { EXPECT_EQ(m.values.at(Value::TV1), 1003); }},
        {"no Form3Y", [] { DeleteValue(L"Form3Y"); }, L"Failed to get data for 'Form3Y'",
         [](const TForm3& d, const FakeMainWindow&) { EXPECT_NE(d.Position().y, 120); }},
        {"REG_DWORD for search_pref", [] { WriteNumber(L"search_pref", 1); },
         L"Invalid data type for 'search_pref'",
         [](const TForm3& d, const FakeMainWindow& m) {
             EXPECT_EQ(d.Original(), OriginalRule::OldestCreation);
             EXPECT_EQ(d.Behavior(), DuplicateBehavior::DeletePermanently);
             EXPECT_FALSE(m.fastSearch);
         }},
        {"REG_SZ for the conditional FoldWidth", [] { WriteText(L"FoldWidth", L"260"); },
         L"Invalid data type for 'FoldWidth'",
         [](const TForm3&, const FakeMainWindow& m) { EXPECT_EQ(m.values.at(Value::FoldWidth), 1010); }},
        {"REG_BINARY for chklst4", [] {
             const BYTE bytes[] = {'1', 0, '1', 0};
             HKEY key = nullptr;
             ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_WRITE, &key), ERROR_SUCCESS);
             ::RegSetValueExW(key, L"chklst4", 0, REG_BINARY, bytes, sizeof(bytes));
             ::RegCloseKey(key);
         },
         L"Invalid data type for 'chklst4'",
         [](const TForm3& d, const FakeMainWindow&) {
             EXPECT_EQ(ListTicks(d, ItemKind::Journal), std::wstring(18, L'0'));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteSettingsKey();
        ClearLog();
        WriteFullKey();
        c.change();
        TForm3& dialog = NewDialog();
        dialog.ReadSettings();

        const std::vector<std::wstring> lines = LogLines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_GE(lines[0].size(), std::wstring(c.line).size());
        EXPECT_EQ(lines[0].substr(lines[0].size() - std::wstring(c.line).size()), c.line);
        c.kept(dialog, mainWindow());
        // The values on both sides of it were applied.
        EXPECT_EQ(dialog.MoveFolderPath(), L"\\Personal Folders\\Archive");
        EXPECT_EQ(mainWindow().values.at(Value::Form1Y), 30);
        EXPECT_EQ(mainWindow().values.at(Value::AppY), 700);
        EXPECT_EQ(ListTicks(dialog, ItemKind::Task), std::wstring(21, L'1'));
        ExpectListsMirrorProfiles(dialog);
    }
}

} // namespace
