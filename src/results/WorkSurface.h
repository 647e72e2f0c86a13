#pragma once
// The parts of the main window that a long run (a search, or processing the duplicates)
// reads and drives. Every pointer must outlive the run.
#include <windows.h>

#include <functional>
#include <string>

#include "platform/Dispatch.h"
#include "results/Progress.h"
#include "results/ResultModel.h"

namespace gleaner {

class FolderTree;

struct WorkSurface {
    HWND owner = nullptr;                // the main window: owner of the run's dialogs
    ProgressDisplay* progress = nullptr; // StatusBar1 with ProgressBar1 in its panel 0
    HWND memo = nullptr;                 // Memo1, the preview
    HWND searchButton = nullptr;         // BitBtn1
    HWND processButton = nullptr;        // BitBtn2
    const Dispatch* nameSpace = nullptr;
    FolderTree* tree = nullptr;
    ResultModel* rows = nullptr;
    // The list view shows the model's rows as they stand now.
    std::function<void()> showRows;
    bool* cancelRequested = nullptr; // CancelRequested
    // True once the window is to close: the run stops at its next item or row, opens
    // nothing more and shows nothing more.
    std::function<bool()> closeRequested;
    // Hands the window its pending messages; by default this thread's queue is drained.
    std::function<void()> processMessages;
    // The "Move to folder" box (Edit1), read once when a run starts.
    std::function<std::wstring()> moveFolderPath;
};

} // namespace gleaner
