#pragma once
// The standard search: walks the ticked folders of the tree in tree order through Outlook's
// object model, one item at a time, hands each item's signature digest to the match engine,
// keeps the window alive between items, and ends with the summary and the hint dialog.
// Works on the parts of the main window it is given, so it knows nothing of the dialogs
// that hold the user's choices.
#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

#include "detect/ComparisonProfiles.h"
#include "detect/MatchEngine.h"
#include "platform/Dispatch.h"
#include "results/ResultModel.h"

namespace gleaner {

class FolderTree;

// What the search reads and drives. Every pointer must outlive the run.
struct SearchSurface {
    HWND owner = nullptr;         // the main window: owner of the hint dialog
    HWND statusBar = nullptr;     // StatusBar1; panel 0 holds the progress bar
    HWND progressBar = nullptr;   // ProgressBar1
    HWND memo = nullptr;          // Memo1, the preview
    HWND searchButton = nullptr;  // BitBtn1
    HWND processButton = nullptr; // BitBtn2
    const Dispatch* nameSpace = nullptr;
    FolderTree* tree = nullptr;
    ResultModel* rows = nullptr;
    MatchEngine* lists = nullptr;
    // Read at each folder and item: a change applies from then on.
    std::function<const ComparisonProfiles&()> profiles;
    // Read once, when the search starts.
    std::function<OriginalRule()> originalRule;
    // The list view shows the model's rows as they stand now.
    std::function<void()> showRows;
    // Gives the first row the focus state, without selecting it.
    std::function<void()> focusFirstRow;
    bool* cancelRequested = nullptr;  // CancelRequested
    bool* showFoundMessage = nullptr; // ShowFoundMessage
    // True once the window is to close: nothing more is opened, and no hint is shown.
    std::function<bool()> closeRequested;
    // Hands the window its pending messages; by default this thread's queue is drained.
    std::function<void()> processMessages;
};

// Runs one whole standard search (Button2Click's work). The closing steps run whatever
// happens; an error that escapes the walk passes on to the caller after them.
void RunStandardSearch(const SearchSurface& surface);

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
