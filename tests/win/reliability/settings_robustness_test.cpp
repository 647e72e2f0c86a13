// Hostile settings: every value of the settings key in turn missing, of the wrong type,
// empty, far too long or made of other characters. Start-up always completes with the
// fallback for that value, and the next close stores a whole, sound key again.
#include <windows.h>

#include <climits>
#include <cstring>
#include <functional>
#include <optional>

#include "ProgramHarness.h"
#include "SettingsSupport.h"
#include "settings/OptionsForm.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using namespace gleaner::test;
using reliability::EndsWith;
using reliability::Program;

namespace {

constexpr char kFolders[] = R"({ "stores": [ { "name": "Personal Folders", "folders": [
    { "name": "Inbox", "defaultItemType": 0 },
    { "name": "Deleted Items", "defaultItemType": 0, "role": "deletedItems" } ] } ] })";

constexpr std::size_t kTooLong = 64 * 1024;

enum class Kind { Flags, Text, Integer };

struct Setting {
    const wchar_t* name;
    Kind kind;
    bool alwaysWritten = true; // integers: read unconditionally
};

const Setting kSettings[] = {
    {L"search_pref", Kind::Flags}, {L"MAPI_MoveFolder", Kind::Text}, {L"Item_Subject", Kind::Text},
    {L"SplitX", Kind::Integer},    {L"SplitY", Kind::Integer},       {L"TV1", Kind::Integer},
    {L"TV2", Kind::Integer},       {L"Form1X", Kind::Integer},       {L"Form1Y", Kind::Integer},
    {L"Form3X", Kind::Integer},    {L"Form3Y", Kind::Integer},       {L"AppX", Kind::Integer, false},
    {L"AppY", Kind::Integer, false}, {L"SubWidth", Kind::Integer, false}, {L"FoldWidth", Kind::Integer, false},
    {L"chklst1", Kind::Flags},     {L"chklst2", Kind::Flags},        {L"chklst3", Kind::Flags},
    {L"chklst4", Kind::Flags},     {L"chklst5", Kind::Flags},        {L"chklst6", Kind::Flags},
};

void WriteRaw(const std::wstring& name, DWORD type, const std::vector<BYTE>& bytes)
{
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegSetValueExW(key, name.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
}

// A key as a save leaves it, with values unlike the design defaults.
void WriteSoundKey()
{
    WriteText(L"search_pref", L"01000101011"); // Newest, same folder, "Modify subject", Largest, Fast Search
    WriteText(L"MAPI_MoveFolder", L"\\Personal Folders\\Inbox");
    WriteText(L"Item_Subject", L"[dup] ");
    const std::pair<const wchar_t*, DWORD> numbers[] = {
        {L"SplitX", 250}, {L"SplitY", 180}, {L"TV1", 150},  {L"TV2", 80},   {L"Form1X", 40},     {L"Form1Y", 30},
        {L"Form3X", 300}, {L"Form3Y", 120}, {L"AppX", 500}, {L"AppY", 700}, {L"SubWidth", 150}, {L"FoldWidth", 260}};
    for (const auto& [name, number] : numbers) WriteNumber(name, number);
    for (int list = 1; list <= 6; ++list) WriteText(L"chklst" + std::to_wstring(list), L"01");
}

// A long text of characters outside the ANSI code page, path separators and blanks.
std::wstring LongText()
{
    std::wstring text;
    while (text.size() < kTooLong) text += L"\\Ordner \u00c4\u20ac\u4e2d ";
    text.resize(kTooLong);
    return text;
}

// Other characters than "0" and "1" where flags belong: only the "1"s at positions 2, 6, 8, 11 count.
const wchar_t kOtherCharacters[] = L"\uff111\u00b9\u0661z1a1bc1";

using Check = std::function<void(Program&)>;

struct Case {
    std::wstring label;
    std::function<void()> spoil;
    std::optional<std::wstring> logged; // the one line loading writes, if any
    Check check;
};

std::wstring ListTicksOf(Program& program, int list)
{
    return ListTicks(program.Options(), kItemKinds[static_cast<std::size_t>(list - 1)]);
}

std::size_t RowCount(int list) { return ComparisonProfiles{}.rowCount(kItemKinds[static_cast<std::size_t>(list - 1)]); }

// The fallbacks of a flags value: what each stored form leaves in force.
void AddFlagCases(std::vector<Case>& cases, const Setting& setting)
{
    const std::wstring name = setting.name;
    const bool searchPref = name == L"search_pref";
    const int list = searchPref ? 0 : name.back() - L'0';
    auto expectPref = [](OriginalRule original, DuplicateBehavior behavior, bool sameFolder, bool show,
                         bool fast) -> Check {
        return [=](Program& p) {
            EXPECT_EQ(p.Options().Original(), original);
            EXPECT_EQ(p.Options().Behavior(), behavior);
            EXPECT_EQ(p.Options().SameFolder(), sameFolder);
            EXPECT_EQ(p.form->ShowFoundMessage, show);
            EXPECT_EQ(::SendMessageW(p.form->CheckBox1, BM_GETCHECK, 0, 0) == BST_CHECKED, fast);
        };
    };
    auto expectTicks = [list](std::wstring ticks) -> Check {
        return [list, ticks](Program& p) {
            std::wstring expected = ticks.substr(0, RowCount(list));
            expected.resize(RowCount(list), L'0');
            EXPECT_EQ(ListTicksOf(p, list), expected);
        };
    };
    const auto allOff = searchPref ? expectPref(OriginalRule::None, DuplicateBehavior::None, false, false, false)
                                   : expectTicks(L"");
    const auto defaults = searchPref ? expectPref(OriginalRule::OldestCreation, DuplicateBehavior::DeletePermanently,
                                                  false, true, false)
                                     : expectTicks(L"");
    const auto allOn = searchPref ? expectPref(OriginalRule::LargestSize, DuplicateBehavior::ModifySubject, true, true, true)
                                  : expectTicks(std::wstring(kTooLong, L'1'));
    const auto other = searchPref ? expectPref(OriginalRule::NewestCreation, DuplicateBehavior::ModifySubject, true,
                                               false, true)
                                  : expectTicks(L"01000101001");
    const auto first = searchPref ? expectPref(OriginalRule::OldestCreation, DuplicateBehavior::None, false, false, false)
                                  : expectTicks(L"1");

    cases.push_back({name + L" missing", [name] { DeleteValue(name); }, std::nullopt, allOff});
    cases.push_back({name + L" REG_DWORD", [name] { WriteNumber(name, 1); }, L"Invalid data type for '" + name + L"'",
                     defaults});
    cases.push_back({name + L" empty", [name] { WriteText(name, L""); }, std::nullopt, allOff});
    cases.push_back({name + L" 64 KB of \"1\"", [name] { WriteText(name, std::wstring(kTooLong, L'1')); },
                     std::nullopt, allOn});
    // Other lengths and characters, for search_pref and one check list: the codec is shared.
    if (!searchPref && list != 3) return;
    cases.push_back({name + L" one character", [name] { WriteText(name, L"1"); }, std::nullopt, first});
    cases.push_back({name + L" other characters", [name] { WriteText(name, kOtherCharacters); }, std::nullopt, other});
    // No terminating zero and an odd byte count: the whole characters are read.
    cases.push_back({name + L" odd byte count", [name] { WriteRaw(name, REG_SZ, {'1', 0, '1'}); }, std::nullopt,
                     first});
}

void AddTextCases(std::vector<Case>& cases, const Setting& setting)
{
    const std::wstring name = setting.name;
    const bool mark = name == L"Item_Subject";
    auto expectText = [mark](std::wstring text) -> Check {
        return [mark, text](Program& p) {
            EXPECT_EQ(mark ? p.Options().SubjectMark() : p.Options().MoveFolderPath(), text);
        };
    };
    cases.push_back({name + L" missing", [name] { DeleteValue(name); }, std::nullopt, expectText(L"")});
    cases.push_back({name + L" REG_DWORD", [name] { WriteNumber(name, 7); }, L"Invalid data type for '" + name + L"'",
                     expectText(mark ? L"***DUPLICATE***" : L"")});
    cases.push_back({name + L" empty", [name] { WriteText(name, L""); }, std::nullopt, expectText(L"")});
    cases.push_back({name + L" 64 KB", [name] { WriteText(name, LongText()); }, std::nullopt, expectText(LongText())});
}

void AddIntegerCases(std::vector<Case>& cases, const Setting& setting)
{
    const std::wstring name = setting.name;
    const std::wstring invalid = L"Invalid data type for '" + name + L"'";
    // The tree's width and the preview's height show that the stored value was not applied
    // (the splitter values before them set both already).
    auto kept = [name](Program& p) {
        if (name == L"TV1") {
            EXPECT_NE(p.form->TreeWidth(), 150);
        }
        if (name == L"TV2") {
            EXPECT_NE(p.form->MemoHeight(), 80);
        }
    };
    auto dword = [](DWORD value) {
        std::vector<BYTE> bytes(sizeof(value));
        std::memcpy(bytes.data(), &value, sizeof(value));
        return bytes;
    };
    cases.push_back({name + L" missing", [name] { DeleteValue(name); },
                     setting.alwaysWritten ? std::optional<std::wstring>(L"Failed to get data for '" + name + L"'")
                                           : std::nullopt,
                     kept});
    cases.push_back({name + L" REG_SZ", [name] { WriteText(name, L"100"); }, invalid, kept});
    cases.push_back({name + L" REG_DWORD of no bytes", [name] { WriteRaw(name, REG_DWORD, {}); }, invalid, kept});
    if (name == L"TV1") {
        cases.push_back({name + L" REG_DWORD of two bytes", [name] { WriteRaw(name, REG_DWORD, {0x10, 0x00}); },
                         invalid, kept});
    }
    cases.push_back({name + L" REG_DWORD of 64 KB", [name] { WriteRaw(name, REG_DWORD, std::vector<BYTE>(kTooLong, 1)); },
                     invalid, kept});
    // Numbers no layout can hold, the smallest for some values and the largest for the others.
    const DWORD extreme = name.size() % 2 ? static_cast<DWORD>(INT_MIN) : static_cast<DWORD>(INT_MAX);
    cases.push_back({name + L" " + std::to_wstring(static_cast<int>(extreme)),
                     [name, extreme, dword] { WriteRaw(name, REG_DWORD, dword(extreme)); }, std::nullopt,
                     [](Program&) {}});
}

// The cases of the settings `which` picks.
std::vector<Case> CasesFor(const std::function<bool(const Setting&)>& which)
{
    std::vector<Case> cases;
    for (const Setting& setting : kSettings) {
        if (!which(setting)) continue;
        if (setting.kind == Kind::Flags) AddFlagCases(cases, setting);
        if (setting.kind == Kind::Text) AddTextCases(cases, setting);
        if (setting.kind == Kind::Integer) AddIntegerCases(cases, setting);
    }
    return cases;
}

bool IsSearchPref(const Setting& s) { return std::wstring_view(s.name) == L"search_pref"; }

class SettingsRobustnessTest : public SettingsTest {
protected:
    // Log lines other than the MAPI-table component's, which a test prefix may lack.
    std::vector<std::wstring> LoadingLines() const
    {
        std::vector<std::wstring> lines;
        for (const std::wstring& line : LogLines())
            if (!EndsWith(line, L" line 820")) lines.push_back(line);
        return lines;
    }

    void RunCases(const std::vector<Case>& cases)
    {
        ASSERT_FALSE(cases.empty());
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.label.begin(), c.label.end()));
            DeleteSettingsKey();
            WriteSoundKey();
            c.spoil();
            ClearLog();
            prompter_.texts.clear();
            {
                StandInProfile profile(kFolders);
                Dispatch outlook = CreateOutlook();
                Dispatch control = StandInControl(outlook);
                {
                    Program program;
                    program.Show();
                    // The show handler ran to its end: the security manager is on, and the
                    // tree holds folders, so nobody was told to start Outlook.
                    EXPECT_TRUE(::IsWindowVisible(program.window));
                    EXPECT_FALSE(control.get(L"SecurityGuard").toBool());
                    EXPECT_TRUE(prompter_.texts.empty());
                    EXPECT_FALSE(program.form->TreeView1.Nodes().empty());

                    const std::vector<std::wstring> lines = LoadingLines();
                    if (c.logged) {
                        ASSERT_EQ(lines.size(), 1u);
                        EXPECT_TRUE(EndsWith(lines[0], *c.logged)) << std::string(lines[0].begin(), lines[0].end());
                    } else {
                        EXPECT_TRUE(lines.empty());
                    }
                    c.check(program);
                    program.form->Close();
                    reliability::PumpMessages();
                    EXPECT_FALSE(::IsWindow(program.window));
                }
                control.reset();
                outlook.reset();
            }
            // The close stored a whole key with every value of its own type.
            const std::vector<StoredValue> stored = StoredValues();
            EXPECT_EQ(stored.size(), std::size(kSettings));
            for (const StoredValue& value : stored) {
                const bool integer = value.name != L"search_pref" && value.name != L"MAPI_MoveFolder" &&
                                     value.name != L"Item_Subject" && value.name.rfind(L"chklst", 0) != 0;
                EXPECT_EQ(value.type, integer ? DWORD{REG_DWORD} : DWORD{REG_SZ})
                    << std::string(value.name.begin(), value.name.end());
            }
        }
    }

    reliability::RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
};

TEST_F(SettingsRobustnessTest, SearchPrefMissingWrongTypeEmptyTooLongOrOfOtherCharacters)
{
    RunCases(CasesFor(IsSearchPref));
}

TEST_F(SettingsRobustnessTest, CheckListsMissingWrongTypeEmptyTooLongOrOfOtherCharacters)
{
    RunCases(CasesFor([](const Setting& s) { return s.kind == Kind::Flags && !IsSearchPref(s); }));
}

TEST_F(SettingsRobustnessTest, TextValuesMissingWrongTypeEmptyOrTooLong)
{
    RunCases(CasesFor([](const Setting& s) { return s.kind == Kind::Text; }));
    // A 64 KB text survives the round trip unchanged.
    WriteText(L"Item_Subject", LongText());
    StandInProfile profile(kFolders);
    {
        Program program;
        program.Show();
        program.form->Close();
    }
    EXPECT_EQ(StoredText(L"Item_Subject"), LongText());
}

TEST_F(SettingsRobustnessTest, IntegersAlwaysWrittenMissingWrongTypeWrongSizeOrExtreme)
{
    RunCases(CasesFor([](const Setting& s) { return s.kind == Kind::Integer && s.alwaysWritten; }));
}

TEST_F(SettingsRobustnessTest, IntegersWrittenIfPresentMissingWrongTypeWrongSizeOrExtreme)
{
    RunCases(CasesFor([](const Setting& s) { return s.kind == Kind::Integer && !s.alwaysWritten; }));
}

} // namespace
