#include "process/Processing.h"

#include <exception>
#include <string_view>
#include <vector>

#include "app/ErrorLog.h"
#include "detect/StandardSearch.h"
#include "folders/FolderPath.h"
#include "folders/FolderTree.h"
#include "platform/ComError.h"
#include "platform/OutlookLookup.h"

namespace gleaner {

namespace {

constexpr int kDeletedItemsFolder = 3; // olFolderDeletedItems
constexpr wchar_t kFolderFailed[] = L" line 310";
constexpr wchar_t kRowFailed[] = L" line 330";

void Log(const std::exception& error, std::wstring_view location)
{
    LogError(ExceptionMessage(error) + std::wstring(location));
}

void EnableWorkButtons(const ProcessSurface& s, bool enabled)
{
    ::EnableWindow(s.searchButton, enabled);
    ::EnableWindow(s.processButton, enabled);
}

bool StopRequested(const ProcessSurface& s)
{
    return *s.cancelRequested || (s.closeRequested && s.closeRequested());
}

// The last folder of the tree, in tree order and ticked or not, whose path is exactly `path`;
// empty when none is. A folder that cannot be opened is logged and matches nothing, so one
// broken folder does not stop the whole run.
Dispatch FindMoveFolder(const Dispatch& nameSpace, const FolderTree& tree, const std::wstring& path)
{
    Dispatch found;
    for (const FolderTree::Node& node : tree.Nodes()) {
        try {
            Dispatch folder = FolderFromId(nameSpace, node.entryId, node.storeId);
            if (GetFolderPath(folder) != path) continue;
            found = FolderFromId(nameSpace, node.entryId, node.storeId);
        } catch (const std::exception& error) {
            Log(error, kFolderFailed);
        }
    }
    return found;
}

// Outlook's Move takes its destination by reference; no folder goes as an empty argument.
void MoveItem(const Dispatch& item, const Dispatch& destination)
{
    Variant folder = destination ? destination.variant() : Variant();
    VARIANT reference{};
    reference.vt = VT_BYREF | VT_VARIANT;
    reference.pvarVal = &folder.raw();
    const Variant args[] = {Variant::Attach(reference)};
    item.invoke(L"Move", DISPATCH_METHOD, args, 1);
}

class Processing {
public:
    explicit Processing(const ProcessSurface& surface) : s_(surface) {}

    // Both folders are looked up once, before any row is touched.
    void LookUpFolders()
    {
        deletedItems_ = s_.nameSpace->callObject(L"GetDefaultFolder", kDeletedItemsFolder);
        moveFolder_ = FindMoveFolder(*s_.nameSpace, *s_.tree, s_.moveFolderPath());
    }

    std::size_t ProcessRows()
    {
        const std::size_t total = s_.rows->size();
        s_.progress->SetRange(0, static_cast<int>(total / 2));
        s_.progress->Show();
        s_.progress->SetStatusText(kRemovingText);
        // The rows as they stand now, by identity: a sort during the run reorders the
        // list, never this walk. Each tick is read when the walk reaches its row.
        const std::vector<RowId> order = s_.rows->Order();
        const auto generation = s_.rows->Generation();
        std::size_t done = 0;
        for (RowId id : order) {
            // Nothing else empties the list while the run goes, but a row must never be read
            // after the rows went.
            if (s_.rows->Generation() != generation) break;
            const ResultRow& row = s_.rows->Row(id);
            if (!row.ticked) continue;
            if (StopRequested(s_)) break;
            try {
                ProcessRow(row.entryId.value_or(std::wstring()), row.storeId);
                ++done;
                s_.progress->Step();
                if (s_.processMessages)
                    s_.processMessages();
                else
                    ProcessPendingMessages(s_.owner);
            } catch (const std::exception& error) {
                Log(error, kRowFailed);
            }
        }
        return done;
    }

private:
    void ProcessRow(const std::wstring& entryId, const std::wstring& storeId)
    {
        Dispatch item = ItemFromId(*s_.nameSpace, entryId, storeId);
        switch (ChooseRemoveAction(s_.removeButtons())) {
        case RemoveAction::ModifySubject: {
            const std::wstring subject = item.get(L"Subject").toText();
            item.put(L"Subject", s_.subjectMark() + subject);
            item.call(L"Save");
            break;
        }
        case RemoveAction::MoveToDeletedItems: MoveItem(item, deletedItems_); break;
        // With no folder found the move gets an empty destination, which Outlook refuses.
        case RemoveAction::MoveToFolder: MoveItem(item, moveFolder_); break;
        case RemoveAction::Delete: item.call(L"Delete"); break;
        }
    }

    const ProcessSurface& s_;
    Dispatch deletedItems_;
    Dispatch moveFolder_;
};

void Finish(const ProcessSurface& s)
{
    s.rows->Clear();
    if (s.showRows) s.showRows();
    ::SetWindowTextW(s.memo, L"");
    EnableWorkButtons(s, true);
    s.progress->Hide();
}

} // namespace

RemoveAction ChooseRemoveAction(const RemoveButtons& buttons) noexcept
{
    if (buttons.modifySubject) return RemoveAction::ModifySubject;
    if (buttons.moveToDeletedItems) return RemoveAction::MoveToDeletedItems;
    if (buttons.moveToFolder) return RemoveAction::MoveToFolder;
    return RemoveAction::Delete;
}

std::wstring RemovedSummary(std::size_t count)
{
    return std::to_wstring(count) + L" duplicates were removed successfully";
}

void RunProcessing(const ProcessSurface& s)
{
    *s.cancelRequested = false;
    EnableWorkButtons(s, false);
    Processing run(s);
    try {
        run.LookUpFolders();
        s.progress->SetStatusText(RemovedSummary(run.ProcessRows()));
    } catch (...) {
        Finish(s);
        throw;
    }
    Finish(s);
}

} // namespace gleaner
