// Nothing that was not a duplicate is ever removed. Many random profiles (random ticks, rule,
// same-folder option, action, both search modes) are searched and processed with the ticks the
// search left, through the real main window; the profile is then read back. Every item that
// was deleted, moved or marked must have a surviving, untouched item whose compared values are
// all equal under the choices in force, and every set keeps exactly one unticked original.
// Values are built to collide: texts that join to the same text at other split points, texts
// outside the ANSI code page, the "notsupported" marker as a value, multi-valued columns.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <algorithm>
#include <random>
#include <span>
#include <set>

#include "ProfileTools.h"
#include "ProgramHarness.h"
#include "SettingsSupport.h"
#include "app/ErrorLog.h"
#include "platform/ComInit.h"
#include "platform/Text.h"
#include "results/ResultModel.h"
#include "settings/OptionsForm.h"
#include <commctrl.h>
#include "support/OutlookHost.h"
#include "support/OutlookStandIn.h"

using namespace gleaner;
using namespace reliability;

namespace {

// The rows a profile may tick, per kind, with the member the stand-in keys them by.
struct Compared {
    std::size_t row;
    const wchar_t* member;
};
const Compared kMailRows[] = {{0, L"Subject"}, {1, L"Body"}, {3, L"To"}, {6, L"Attachments"},
                              {8, L"Categories"}, {9, L"Companies"}};
const Compared kContactRows[] = {{0, L"Subject"}, {1, L"Body"}, {2, L"Email1Address"}, {4, L"FirstName"},
                                 {5, L"LastName"}, {9, L"Categories"}};
const Compared kNoteRows[] = {{0, L"Subject"}, {1, L"Body"}, {2, L"Categories"}};

std::span<const Compared> RowsOf(ItemKind kind)
{
    if (kind == ItemKind::Contact) return kContactRows;
    if (kind == ItemKind::Note) return kNoteRows;
    return kMailRows;
}

// Few values, so that many items agree; pairs that join to the same text; the marker, split
// and whole; texts outside the ANSI code page (one outside the basic plane).
const wchar_t* const kTexts[] = {L"",    L"a",   L"ab",           L"b",    L"bc",         L"c",
                                 L"not", L"supported", L"notsupported", L"A", L"\u00c4\u20ac", L"\u4e2d\U0001F600"};
const std::vector<std::vector<std::wstring>> kLists = {{}, {L"x"}, {L"x", L"y"}, {L"y", L"x"}, {L"x, y"}, {L"\u00c4"}};

struct GeneratedItem {
    ItemDef def;
    std::wstring folderPath;
    ItemKind kind = ItemKind::Mail;
    bool supported = true;
};

struct Choices {
    ComparisonProfiles profiles;
    OriginalRule rule = OriginalRule::OldestCreation;
    DuplicateBehavior behavior = DuplicateBehavior::DeletePermanently;
    bool fast = false;
    std::wstring mark;
};

const wchar_t kTargetPath[] = L"\\Personal Folders\\Target";
const wchar_t kDeletedPath[] = L"\\Personal Folders\\Deleted Items";

class Generator {
public:
    explicit Generator(unsigned seed) : random_(seed) {}

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool Coin() { return Pick(2) == 1; }

    std::vector<StoreDef> Stores(bool fast, std::vector<GeneratedItem>& items)
    {
        StoreDef personal{L"Personal Folders", {}};
        FolderDef inbox = Folder(L"Inbox", 0, fast, L"\\Personal Folders", items);
        inbox.folders.push_back(Folder(L"Sub", 0, fast, L"\\Personal Folders\\Inbox", items));
        personal.folders.push_back(std::move(inbox));
        personal.folders.push_back(Folder(L"Archive", 0, fast, L"\\Personal Folders", items));
        personal.folders.push_back(Folder(L"Contacts", 2, fast, L"\\Personal Folders", items));
        personal.folders.push_back(Folder(L"Notes", 5, fast, L"\\Personal Folders", items));
        personal.folders.push_back({L"Target", 0, "", {}, {}, ""});
        personal.folders.push_back({L"Deleted Items", 0, "deletedItems", {}, {}, ""});
        StoreDef second{L"Second Store", {Folder(L"Mail", 0, fast, L"\\Second Store", items)}};
        return {personal, second};
    }

    Choices RandomChoices(bool fast)
    {
        Choices choices;
        for (ItemKind kind : {ItemKind::Mail, ItemKind::Contact, ItemKind::Note}) {
            for (const Compared& c : RowsOf(kind)) choices.profiles.setTicked(kind, c.row, Pick(3) == 0);
        }
        choices.profiles.setSameFolder(Coin());
        choices.rule = static_cast<OriginalRule>(Pick(5));
        choices.behavior = static_cast<DuplicateBehavior>(Pick(5));
        choices.fast = fast;
        choices.mark = Coin() ? L"***DUPLICATE***" : L"\u00c4 ";
        return choices;
    }

private:
    FolderDef Folder(const wchar_t* name, int type, bool fast, const std::wstring& parent,
                      std::vector<GeneratedItem>& items)
    {
        FolderDef folder{name, type, "", {}, {}, ""};
        const ItemKind kind = type == 2 ? ItemKind::Contact : type == 5 ? ItemKind::Note : ItemKind::Mail;
        for (int n = Pick(7); n > 0; --n) {
            GeneratedItem item;
            item.folderPath = parent + L"\\" + name;
            item.kind = kind;
            item.def.entryId = EntryIdFor(++next_);
            // Another message class, which the standard search never compares (the fast search
            // keys it with the folder's columns, so it stays out of fast profiles).
            if (!fast && kind == ItemKind::Mail && Pick(8) == 0) {
                item.def.messageClass = L"IPM.Post";
                item.supported = false;
            }
            for (const Compared& c : RowsOf(kind)) {
                const std::wstring member = c.member;
                if (item.supported == false && (member == L"To" || member == L"Companies")) continue;
                if (member == L"Attachments") {
                    if (kind != ItemKind::Note) item.def.attachments = Pick(3);
                } else if (member == L"Categories" || member == L"Companies") {
                    item.def.lists[member] = kLists[static_cast<std::size_t>(Pick(static_cast<int>(kLists.size())))];
                } else if (Pick(4) != 0) { // else absent: reads as empty text
                    item.def.texts[member] = kTexts[Pick(static_cast<int>(std::size(kTexts)))];
                }
            }
            folder.items.push_back(item.def);
            items.push_back(std::move(item));
        }
        return folder;
    }

    std::mt19937 random_;
    unsigned next_ = 0;
};

// What the program compares for an item under `choices`, as the profile stores it: equal
// texts for equal values. Nothing for an item that is never compared.
std::optional<std::wstring> ComparedValues(const GeneratedItem& item, const Choices& choices)
{
    if (!item.supported) return std::nullopt;
    std::wstring key = std::to_wstring(static_cast<int>(item.kind));
    for (const Compared& c : RowsOf(item.kind)) {
        if (!choices.profiles.ticked(item.kind, c.row)) continue;
        const std::wstring member = c.member;
        std::wstring value;
        if (member == L"Attachments") {
            value = std::to_wstring(item.def.attachments);
        } else if (auto list = item.def.lists.find(member); list != item.def.lists.end()) {
            for (std::size_t i = 0; i < list->second.size(); ++i) value += (i ? L", " : L"") + list->second[i];
        } else if (auto text = item.def.texts.find(member); text != item.def.texts.end()) {
            value = text->second;
        }
        key += L"|" + std::to_wstring(value.size()) + L":" + value;
    }
    if (choices.profiles.sameFolder()) key += L"|F" + item.folderPath;
    return key;
}

struct Counts {
    int profiles = 0;
    int rows = 0;
    int processed = 0;
};

constexpr int kProfilesPerMode = 30;

class PropertyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(com_.ok());
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        logFolder_ = std::wstring(temp) + L"gleaner-property-" + std::to_wstring(::GetCurrentProcessId());
        SetLogFolderForTesting(logFolder_);
    }
    void TearDown() override
    {
        ::DeleteFileW(ErrorLogPath().c_str());
        ::RemoveDirectoryW(logFolder_.c_str());
        SetLogFolderForTesting({});
        test::DeleteSettingsKey();
    }

    // `outOfProcess`: against Outlook in a process of its own, attached to as a running one.
    void RunProfile(unsigned seed, bool fast, Counts& counts, bool outOfProcess = false);
    void RunMany(bool fast, unsigned firstSeed, int profiles, bool outOfProcess = false);

    ComInit com_;
    std::wstring logFolder_;
    RecordingPrompter prompter_;
    ScopedPrompter scoped_{prompter_};
};

void PropertyTest::RunProfile(unsigned seed, bool fast, Counts& counts, bool outOfProcess)
{
    SCOPED_TRACE("seed " + std::to_string(seed) + (fast ? " fast" : " standard") +
                 (outOfProcess ? " out of process" : ""));
    Generator generator(seed);
    std::vector<GeneratedItem> items;
    const std::vector<StoreDef> stores = generator.Stores(fast, items);
    const Choices choices = generator.RandomChoices(fast);
    std::map<std::wstring, const GeneratedItem*> byId;
    for (const GeneratedItem& item : items) byId[item.def.entryId] = &item;

    test::DeleteSettingsKey();
    ::DeleteFileW(ErrorLogPath().c_str());
    test::StandInProfile profile(ProfileJson(stores));
    std::vector<ResultRow> rows;
    std::wstring summary;
    std::optional<test::OutlookHost> host;
    if (outOfProcess) host.emplace(profile.path());
    {
        Program program;
        program.Show();
        TForm3& options = program.Options();
        options.SetProfiles(choices.profiles);
        options.SetOriginal(choices.rule);
        options.SetBehavior(choices.behavior);
        options.SetMoveFolderPath(kTargetPath);
        options.SetSubjectMark(choices.mark);
        program.form->ShowFoundMessage = false;
        ::SendMessageW(program.form->CheckBox1, BM_SETCHECK, fast ? BST_CHECKED : BST_UNCHECKED, 0);
        ::SendMessageW(program.form->BitBtn1, BM_CLICK, 0, 0);
        PumpMessages();
        for (std::size_t i = 0; i < program.form->Results.size(); ++i) rows.push_back(program.form->Results.At(i));
        ::SendMessageW(program.form->BitBtn2, BM_CLICK, 0, 0);
        PumpMessages();
        wchar_t text[256] = {};
        ::SendMessageW(program.form->StatusBar1, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
        summary = text;
        EXPECT_TRUE(program.form->Results.empty());
        program.form->Close();
        PumpMessages();
    }
    EXPECT_TRUE(prompter_.texts.empty());
    host.reset(); // ends Outlook, which folds its changes into the profile
    const std::map<std::wstring, ItemState> after = ReadProfileItems();

    // Rows: each belongs to a set of items with equal compared values; every set has at
    // least two rows and exactly one unticked original.
    std::map<std::wstring, std::vector<const ResultRow*>> sets;
    std::set<std::wstring> ticked;
    for (const ResultRow& row : rows) {
        ASSERT_TRUE(row.entryId.has_value());
        const auto item = byId.find(*row.entryId);
        ASSERT_NE(item, byId.end()) << ToUtf8(*row.entryId);
        const std::optional<std::wstring> key = ComparedValues(*item->second, choices);
        ASSERT_TRUE(key.has_value()) << "an item that is never compared has a row";
        EXPECT_EQ(row.ticked, row.caption == L"c");
        sets[*key].push_back(&row);
        if (row.ticked) ticked.insert(*row.entryId);
    }
    for (const auto& [key, members] : sets) {
        std::string rowsText;
        for (const ResultRow* r : members) rowsText += " " + ToUtf8(r->caption) + ":" + ToUtf8(*r->entryId);
        EXPECT_GE(members.size(), 2u) << ToUtf8(key) << rowsText;
        EXPECT_EQ(std::count_if(members.begin(), members.end(), [](const ResultRow* r) { return !r->ticked; }), 1)
            << ToUtf8(key) << rowsText;
    }
    counts.rows += static_cast<int>(rows.size());

    // The profile: exactly the ticked rows' items were acted on, each as the action says, and
    // each has an untouched survivor with equal compared values.
    const DuplicateBehavior behavior = choices.behavior;
    std::size_t unmarked = 0;
    std::set<std::wstring> survivorKeys;
    for (const GeneratedItem& item : items) {
        const auto now = after.find(item.def.entryId);
        const bool untouched = now != after.end() && now->second.folderPath == item.folderPath &&
                               now->second.subject == (item.def.texts.count(L"Subject") ? item.def.texts.at(L"Subject") : L"");
        if (untouched && !ticked.count(item.def.entryId)) {
            if (auto key = ComparedValues(item, choices)) survivorKeys.insert(*key);
        }
    }
    for (const GeneratedItem& item : items) {
        const auto now = after.find(item.def.entryId);
        const std::wstring subject = item.def.texts.count(L"Subject") ? item.def.texts.at(L"Subject") : L"";
        if (!ticked.count(item.def.entryId)) {
            ASSERT_NE(now, after.end()) << "an item without a ticked row is gone";
            EXPECT_EQ(now->second.folderPath, item.folderPath);
            EXPECT_EQ(now->second.subject, subject);
            continue;
        }
        if (behavior == DuplicateBehavior::ModifySubject) {
            ASSERT_NE(now, after.end());
            // Outlook's NoteItem.Subject is read-only: a note is never marked, and its row fails.
            const bool note = item.kind == ItemKind::Note;
            unmarked += note ? 1 : 0;
            EXPECT_EQ(now->second.subject, note ? subject : choices.mark + subject);
            EXPECT_EQ(now->second.folderPath, item.folderPath);
        } else if (behavior == DuplicateBehavior::MoveToDeletedItems || behavior == DuplicateBehavior::MoveToFolder) {
            ASSERT_NE(now, after.end());
            EXPECT_EQ(now->second.folderPath,
                      behavior == DuplicateBehavior::MoveToFolder ? kTargetPath : kDeletedPath);
        } else if (item.folderPath.rfind(L"\\Personal Folders\\", 0) == 0) {
            // Outlook's Delete moves the item into its store's Deleted Items.
            ASSERT_NE(now, after.end()) << "a ticked item was deleted for good";
            EXPECT_EQ(now->second.folderPath, kDeletedPath);
        } else {
            // Its store has no Deleted Items: deleted for good.
            EXPECT_EQ(now, after.end()) << "a ticked item was not deleted";
        }
        ++counts.processed;
        const std::optional<std::wstring> key = ComparedValues(item, choices);
        ASSERT_TRUE(key.has_value());
        EXPECT_TRUE(survivorKeys.count(*key)) << "an item was removed without an equal survivor";
    }
    EXPECT_EQ(summary, std::to_wstring(ticked.size() - unmarked) + L" duplicates were removed successfully");
    ++counts.profiles;
}

void PropertyTest::RunMany(bool fast, unsigned firstSeed, int profiles, bool outOfProcess)
{
    Counts counts;
    for (int i = 0; i < profiles && !HasFatalFailure(); ++i)
        RunProfile(firstSeed + static_cast<unsigned>(i), fast, counts, outOfProcess);
    std::printf("%s search%s: %d profiles, %d rows, %d items removed or marked, each with an equal survivor\n",
                fast ? "fast" : "standard", outOfProcess ? " out of process" : "", counts.profiles, counts.rows,
                counts.processed);
    EXPECT_EQ(counts.profiles, profiles);
    EXPECT_GT(counts.processed, 0); // the generator does make duplicates
}

TEST_F(PropertyTest, StandardSearchThenProcessingRemovesOnlyDuplicates)
{
    RunMany(false, 1000, kProfilesPerMode);
}

TEST_F(PropertyTest, FastSearchThenProcessingRemovesOnlyDuplicates)
{
    RunMany(true, 5000, kProfilesPerMode);
}

// A few of the same profiles with Outlook in a process of its own: every call a round trip.
TEST_F(PropertyTest, OutOfProcessBothSearchesRemoveOnlyDuplicates)
{
    RunMany(false, 1000, 3, true);
    RunMany(true, 5000, 3, true);
}

// A mail and a contact whose compared values read alike are no duplicates of each other, in
// either search.
TEST_F(PropertyTest, ItemsOfDifferentKindsNeverMatch)
{
    ItemDef mail{EntryIdFor(1), L"", {{L"Subject", L"Same"}}, {{L"Companies", {L"x", L"y"}}}, 0, ""};
    ItemDef contact{EntryIdFor(2), L"", {{L"Subject", L"Same"}}, {{L"Categories", {L"x", L"y"}}}, 0, ""};
    const std::vector<StoreDef> stores = {{L"Personal Folders",
                                            {{L"Inbox", 0, "", {mail}, {}, ""},
                                             {L"Contacts", 2, "", {contact}, {}, ""},
                                             {L"Deleted Items", 0, "deletedItems", {}, {}, ""}}}};
    ComparisonProfiles profiles;
    profiles.setTicked(ItemKind::Mail, 0, true);    // Subject
    profiles.setTicked(ItemKind::Mail, 9, true);    // Companies
    profiles.setTicked(ItemKind::Contact, 0, true); // Subject
    profiles.setTicked(ItemKind::Contact, 9, true); // Categories
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast" : "standard");
        test::StandInProfile profile(ProfileJson(stores));
        Program program;
        program.Show();
        program.Options().SetProfiles(profiles);
        program.form->ShowFoundMessage = false;
        ::SendMessageW(program.form->CheckBox1, BM_SETCHECK, fast ? BST_CHECKED : BST_UNCHECKED, 0);
        ::SendMessageW(program.form->BitBtn1, BM_CLICK, 0, 0);
        PumpMessages();
        EXPECT_TRUE(program.form->Results.empty());
        program.form->Close();
    }
}

} // namespace
