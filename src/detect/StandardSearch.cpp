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
#include "platform/OutlookLookup.h"
#include "platform/Sha256.h"

namespace gleaner {

namespace {

constexpr wchar_t kSearchingIn[] = L"Searching for duplicates in ";
constexpr wchar_t kFolderFailed[] = L" line 220";
constexpr wchar_t kSortFailed[] = L" line 214";
// What Outlook answers a call that its guard's prompt refused: MAPI_E_NOT_SUPPORTED, which some
// versions hand on through automation as E_ABORT ("Operation aborted").
constexpr HRESULT kGuardRefusal = static_cast<HRESULT>(0x80040102);
constexpr HRESULT kGuardAborted = E_ABORT;

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
    explicit StandardSearch(SearchRun& run) : run_(run), s_(run.Surface()), host_(*s_.nameSpace, run) {}

    void SearchFolder(const FolderTree::Node& node)
    {
        if (s_.profiles().sameFolder()) s_.lists->ClearLists();
        Dispatch folder = FolderFromId(*s_.nameSpace, node.entryId, node.storeId);
        const std::uint32_t folderNumber = host_.AddFolder(node.storeId);
        const bool inDestination = run_.InDestination(node);
        run_.ShowFolder(GetFolderPath(folder));
        // One collection for the whole folder; the count is read once. Outlook keeps a folder's
        // items in no particular order (cached Exchange folders give the newest first), while
        // the creation-time rules take the order of examination for the order of creation.
        Dispatch items = folder.getObject(L"Items");
        try {
            items.call(L"Sort", L"[CreationTime]");
        } catch (const std::exception& error) {
            if (IsGuardRefusal(error)) throw;
            run_.Failed(error, kSortFailed);
        }
        const std::int32_t count = items.get(L"Count").toInt();
        run_.StartProgress(count);
        for (std::int32_t position = 1; position <= count; ++position) {
            if (!run_.NextItem()) return;
            ExaminedItem examined = ExamineItem(items, position);
            examined.folder = folderNumber;
            examined.inDestination = inDestination;
            run_.AddItem(examined, host_);
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

const wchar_t kGuardRefusedText[] =
    L"Outlook did not allow Gleaner to read your items, so the search was stopped.\r\n\r\n"
    L"To search, start the search again and allow access when Outlook asks whether to allow it, "
    L"or ask your administrator to allow programmatic access in Outlook's Trust Center.";

bool IsGuardRefusal(const std::exception& error) noexcept
{
    const auto* com = dynamic_cast<const ComError*>(&error);
    return com && (com->code() == kGuardRefusal || com->code() == kGuardAborted);
}

SearchMatchHost::SearchMatchHost(const Dispatch& nameSpace, SearchRun& run)
    : nameSpace_(nameSpace), run_(run), rule_(run.Rule())
{
}

std::uint32_t SearchMatchHost::AddFolder(const std::wstring& storeId)
{
    folderStores_.push_back(storeId);
    return static_cast<std::uint32_t>(folderStores_.size() - 1);
}

void SearchMatchHost::FillRow(const std::wstring& entryId, std::uint32_t folder, RowRole, RowContent& row)
{
    const std::wstring& storeId = StoreOf(folder);
    Dispatch item = ItemFromId(nameSpace_, entryId, storeId);
    row.subItems.push_back(item.get(L"Subject").toText());
    row.subItems.push_back(GetFolderPath(item.getObject(L"Parent")));
    row.entryId = item.get(L"EntryID").toText();
    row.storeId = storeId;
}

void SearchMatchHost::Failed(const std::exception& error, MatchFailure where)
{
    run_.Failed(error, LocationText(where));
}

void SearchRun::Failed(const std::exception& error, std::wstring_view location)
{
    Log(error, location);
    if (IsGuardRefusal(error)) guardRefused_ = true;
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
    // Likewise the folders duplicates go to: a change of the box during the search changes nothing.
    destinations_.emplace(*s.nameSpace, *s.tree, s.moveFolderPath ? s.moveFolderPath() : std::wstring());
}

bool SearchRun::InDestination(const FolderTree::Node& node)
{
    return destinations_->Contains(node);
}

void SearchRun::Run(const std::function<void(const FolderTree::Node& node)>& searchFolder)
{
    try {
        // The nodes as they stand now; each tick is read when the walk reaches its node.
        const std::vector<FolderTree::Node> nodes = s_.tree->Nodes();
        for (const FolderTree::Node& node : nodes) {
            // A window that is closing opens nothing more, nor does a search Outlook refused.
            if (CloseRequested(s_) || guardRefused_) break;
            if (s_.tree->NodeState(node.item) != FolderTree::kTicked) continue;
            try {
                searchFolder(node);
            } catch (const std::exception& error) {
                // Rows stay in step with the lists also after a failed item.
                s_.lists->Resync();
                ShowRows(s_);
                Failed(error, kFolderFailed);
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
    if (!*s_.cancelRequested && !guardRefused_) return true;
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
    if (CloseRequested(s_)) return;
    // A refusal is said instead of the hint: no options would have found more.
    if (guardRefused_)
        Prompts().Message(s_.owner, kGuardRefusedText, kGuardRefusedCaption, MB_OK | MB_ICONWARNING);
    else if (*s_.showFoundMessage)
        ShowFoundHint(s_.owner, rows, *s_.showFoundMessage);
}

void RunStandardSearch(const SearchSurface& s)
{
    SearchRun run(s);
    StandardSearch search(run);
    run.Run([&search](const FolderTree::Node& node) { search.SearchFolder(node); });
}

} // namespace gleaner
