#pragma once
// The standard search: walks the ticked folders of the tree in tree order through Outlook's
// object model, one item at a time, hands each item's signature digest to the match engine,
// keeps the window alive between items, and ends with the summary and the hint dialog.
// SearchRun (detect/SearchRun.h) holds the steps the fast search shares with it. Works on the parts of the main
// window it is given, so it knows nothing of the dialogs that hold the user's choices.
#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "detect/ComparisonProfiles.h"
#include "platform/Dispatch.h"
#include "results/Progress.h"
#include "results/ResultModel.h"
#include "results/WorkSurface.h"

namespace gleaner {

class FolderTree;
class MatchEngine;

// The radio buttons of "Original item is the item with", as the Options dialog has them.
// Kept apart from the engine's own type so the main window, which also sees the settings'
// names, can hand them over.
struct OriginalItemButtons {
    bool oldestCreationTime = true;
    bool newestCreationTime = false;
    bool smallestSize = false;
    bool largestSize = false;
};

// EntryIDList, SignatureList, MarkList and SizeList of the main window, kept from one search
// to the next, adding rows to `rows`.
class SearchLists {
public:
    explicit SearchLists(ResultModel& rows);
    ~SearchLists();
    SearchLists(const SearchLists&) = delete;
    SearchLists& operator=(const SearchLists&) = delete;
    MatchEngine& Engine() noexcept { return *engine_; }
    // Empties the four lists and their index.
    void Clear();

private:
    std::unique_ptr<MatchEngine> engine_;
};

// What the search reads and drives, beside what every run does.
struct SearchSurface : WorkSurface {
    MatchEngine* lists = nullptr;
    // Read at each folder and item: a change applies from then on.
    std::function<const ComparisonProfiles&()> profiles;
    // Read once, when the search starts.
    std::function<OriginalItemButtons()> originalRule;
    // Gives the first row the focus state, without selecting it.
    std::function<void()> focusFirstRow;
    bool* showFoundMessage = nullptr; // ShowFoundMessage
    // The fast search's own: the MAPI-table component (empty when it could not be created),
    // the holder of the last folder's record set (ADODataSet1), and ColumnList.
    const Dispatch* mapiTable = nullptr;
    Dispatch* recordSet = nullptr;
    std::vector<std::wstring>* columnList = nullptr;
};

// Runs one whole standard search (Button2Click's work). The closing steps run whatever
// happens; an error that escapes the walk passes on to the caller after them.
void RunStandardSearch(const SearchSurface& surface);

// Told when Outlook's guard refused access to the items (its prompt answered "No").
inline constexpr wchar_t kGuardRefusedCaption[] = L"Gleaner";
extern const wchar_t kGuardRefusedText[];
// True for the failure Outlook gives a call its guard refused (MAPI_E_NOT_SUPPORTED, or E_ABORT),
// whatever the language of its message.
bool IsGuardRefusal(const std::exception& error) noexcept;

// The texts of the summary and the hint dialog.
std::wstring FoundSummary(std::size_t rows);
std::wstring FoundHintText(std::size_t rows);
inline constexpr wchar_t kFoundHintCaption[] = L"Search Options";
inline constexpr wchar_t kFoundHintCheckBox[] = L"Don't show this message again.";

// The hint dialog after a search: OK sets ShowFoundMessage to the opposite of the check
// box; any other close leaves it.
void ShowFoundHint(HWND owner, std::size_t rows, bool& showFoundMessage);

// Drains this thread's message queue, as the searches do once per item. A quit message
// is put back for the message loop.
void ProcessPendingMessages(HWND dialogWindow);

} // namespace gleaner
