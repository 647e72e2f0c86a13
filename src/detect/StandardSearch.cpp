#include "detect/StandardSearch.h"

#include <commctrl.h>

#include <exception>
#include <string_view>
#include <vector>

#include "app/ErrorLog.h"
#include "app/Prompts.h"
#include "detect/ItemSignature.h"
#include "detect/MatchEngine.h"
#include "detect/SearchRun.h"
#include "detect/SignatureText.h"
#include "folders/FolderPath.h"
#include "folders/FolderTree.h"
#include "platform/ComError.h"
#include "platform/Sha256.h"

namespace gleaner {

namespace {

constexpr wchar_t kSearchingIn[] = L"Searching for duplicates in ";
constexpr wchar_t kFolderFailed[] = L" line 220";

void Log(const std::exception& error, std::wstring_view location)
{
    LogError(ExceptionMessage(error) + std::wstring(location));
}

void EnableWorkButtons(const SearchSurface& s, bool enabled)
{
    ::EnableWindow(s.searchButton, enabled);
    ::EnableWindow(s.processButton, enabled);
}

void ShowRows(const SearchSurface& s)
{
    if (s.showRows) s.showRows();
}

bool CloseRequested(const SearchSurface& s)
{
    return s.closeRequested && s.closeRequested();
}

// Reads the ticked folders item by item through the object model; the signature's digest
// is the item's key.
class StandardSearch {
public:
    explicit StandardSearch(SearchRun& run) : run_(run), s_(run.Surface()), host_(*s_.nameSpace, run.Rule()) {}

    void SearchFolder(const std::wstring& entryId)
    {
        if (s_.profiles().sameFolder()) s_.lists->ClearLists();
        Dispatch folder = s_.nameSpace->callObject(L"GetFolderFromID", entryId);
        run_.ShowFolder(GetFolderPath(folder));
        // One collection for the whole folder; the count is read once.
        Dispatch items = folder.getObject(L"Items");
        const std::int32_t count = items.get(L"Count").toInt();
        run_.StartProgress(count);
        for (std::int32_t position = 1; position <= count; ++position) {
            if (!run_.NextItem()) return;
            run_.AddItem(ExamineItem(items, position), host_);
        }
    }

private:
    ExaminedItem ExamineItem(const Dispatch& items, std::int32_t position)
    {
        ExaminedItem examined;
        Dispatch item = items.callObject(L"Item", position);
        examined.entryId = item.get(L"EntryID").toText();
        examined.size = item.get(L"size").toInt();
        std::optional<ItemKind> kind;
        const std::wstring signature = ItemSignature(s_.profiles()).DuplicateSearch(item, &kind);
        examined.comparable = signature != kNotSupported && kind.has_value();
        if (examined.comparable) examined.key = Sha256Key(KeyWithKind(KindInfo(*kind).defaultItemType, signature));
        return examined;
    }

    SearchRun& run_;
    const SearchSurface& s_;
    SearchMatchHost host_;
};

} // namespace

SearchLists::SearchLists(ResultModel& rows) : engine_(std::make_unique<MatchEngine>(rows)) {}

void SearchLists::Clear() { engine_->ClearLists(); }
SearchLists::~SearchLists() = default;

std::wstring FoundSummary(std::size_t rows)
{
    return std::to_wstring(rows) + L" duplicated items found.";
}

std::wstring FoundHintText(std::size_t rows)
{
    return std::to_wstring(rows) +
           L" duplicates found. If there are some duplicates that were not found,\r\n"
           L"please change search options in Options > Search Options.";
}

void ShowFoundHint(HWND owner, std::size_t rows, bool& showFoundMessage)
{
    bool dontShow = false;
    if (Prompts().CheckedMessage(owner, FoundHintText(rows), kFoundHintCaption, kFoundHintCheckBox, dontShow) == IDOK)
        showFoundMessage = !dontShow;
}

void ProcessPendingMessages(HWND dialogWindow)
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        // Tab and Enter behave as in the message loop.
        if (dialogWindow && ::IsWindow(dialogWindow) && ::IsDialogMessageW(dialogWindow, &message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

void SearchMatchHost::FillRow(const std::wstring& entryId, RowRole, RowContent& row)
{
    Dispatch item = nameSpace_.callObject(L"GetItemFromID", entryId);
    row.subItems.push_back(item.get(L"Subject").toText());
    row.subItems.push_back(GetFolderPath(item.getObject(L"Parent")));
    row.entryId = item.get(L"EntryID").toText();
}

void SearchMatchHost::Failed(const std::exception& error, MatchFailure where)
{
    Log(error, LocationText(where));
}

SearchRun::SearchRun(const SearchSurface& s) : s_(s)
{
    *s.cancelRequested = false;
    EnableWorkButtons(s, false);
    s.progress->Show();
    ::SetWindowTextW(s.memo, L"");
    s.rows->Clear();
    ShowRows(s);
    s.lists->ClearLists();
    // The rule is taken once: read at every match, a change during the search could mark
    // every item of a set as a duplicate, and processing would then remove all of them.
    const OriginalItemButtons buttons = s.originalRule();
    rule_.oldestCreationTime = buttons.oldestCreationTime;
    rule_.newestCreationTime = buttons.newestCreationTime;
    rule_.smallestSize = buttons.smallestSize;
    rule_.largestSize = buttons.largestSize;
}

void SearchRun::Run(const std::function<void(const std::wstring& folderEntryId)>& searchFolder)
{
    try {
        // The nodes as they stand now; each tick is read when the walk reaches its node.
        const std::vector<FolderTree::Node> nodes = s_.tree->Nodes();
        for (const FolderTree::Node& node : nodes) {
            // A window that is closing opens nothing more.
            if (CloseRequested(s_)) break;
            if (s_.tree->NodeState(node.item) != FolderTree::kTicked) continue;
            try {
                searchFolder(node.entryId);
            } catch (const std::exception& error) {
                // Rows stay in step with the lists also after a failed item.
                s_.lists->Resync();
                ShowRows(s_);
                Log(error, kFolderFailed);
            }
        }
    } catch (...) {
        Finish();
        throw;
    }
    Finish();
}

void SearchRun::ShowFolder(const std::wstring& folderPath)
{
    s_.progress->SetStatusText(kSearchingIn + folderPath);
}

void SearchRun::StartProgress(std::int32_t itemCount)
{
    s_.progress->SetPosition(0);
    s_.progress->SetRange(0, itemCount);
}

bool SearchRun::NextItem()
{
    s_.progress->Step();
    if (!*s_.cancelRequested) return true;
    s_.lists->Resync();
    ShowRows(s_);
    return false;
}

void SearchRun::AddItem(const ExaminedItem& item, MatchHost& host)
{
    s_.lists->AddItem(item, host);
    ShowRows(s_);
    if (s_.processMessages)
        s_.processMessages();
    else
        ProcessPendingMessages(s_.owner);
    s_.lists->Resync();
    ShowRows(s_);
}

void SearchRun::Finish()
{
    s_.progress->Hide();
    EnableWorkButtons(s_, true);
    const std::size_t rows = s_.rows->size();
    s_.progress->SetStatusText(FoundSummary(rows));
    if (rows > 0 && s_.focusFirstRow) s_.focusFirstRow();
    // A window that is closing shows nothing more.
    if (*s_.showFoundMessage && !CloseRequested(s_)) ShowFoundHint(s_.owner, rows, *s_.showFoundMessage);
}

void RunStandardSearch(const SearchSurface& s)
{
    SearchRun run(s);
    StandardSearch search(run);
    run.Run([&search](const std::wstring& folderEntryId) { search.SearchFolder(folderEntryId); });
}

} // namespace gleaner
