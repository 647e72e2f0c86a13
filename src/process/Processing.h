#pragma once
// "Process duplicates": applies the chosen removal action to every ticked row of the result
// list through Outlook's object model, keeps the window alive between rows, and empties the
// list at the end. Works on the parts of the main window it is given, like the searches.
#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

#include "platform/Dispatch.h"
#include "results/Progress.h"
#include "results/ResultModel.h"
#include "results/WorkSurface.h"

namespace gleaner {

class FolderTree;

// The radio buttons of "Duplicate behavior options", as the Options dialog has them.
struct RemoveButtons {
    bool moveToDeletedItems = false; // "Delete (move to deleted items)"
    bool deletePermanently = true;   // "Delete (permanetly)"
    bool moveToFolder = false;       // "Move to folder"
    bool modifySubject = false;      // "Modify subject for duplicates"
};

enum class RemoveAction { ModifySubject, MoveToDeletedItems, MoveToFolder, Delete };

// Marking wins over both moves, and with no button on the items are deleted.
RemoveAction ChooseRemoveAction(const RemoveButtons& buttons) noexcept;

// What processing reads and drives, beside what every run does.
struct ProcessSurface : WorkSurface {
    // Read at each ticked row: a change during the run applies from the next row on.
    std::function<RemoveButtons()> removeButtons;
    std::function<std::wstring()> subjectMark; // Edit2
};

// Runs one whole processing run (Button1Click's work). The closing steps run whatever
// happens; an error that escapes the folder look-ups passes on to the caller after them.
void RunProcessing(const ProcessSurface& surface);

inline constexpr wchar_t kRemovingText[] = L"Removing duplicates...";
// The status text after a run.
std::wstring RemovedSummary(std::size_t count);

} // namespace gleaner
