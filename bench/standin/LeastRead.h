#pragma once
// The least item-by-item read of what a standard search reads: per folder GetFolderFromID,
// DefaultItemType, Items and Count once; per item Item(i), MessageClass, EntryID, Size and the
// ticked members of its kind (Attachments.Count for the attachment count), every DISPID looked up
// once per class and every object released as soon as it is read. Nothing is matched or kept.
// A member's DISPID is not promised to be the same across classes, so they are kept per message
// class; MessageClass itself is read with the DISPID of the folder's own kind, and looked up on
// the item when that does not answer with a message class.
#include <windows.h>

#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "detect/ComparisonProfiles.h"
#include "platform/Dispatch.h"

namespace standin_bench {

class LeastRead {
public:
    explicit LeastRead(const gleaner::ComparisonProfiles& profiles) : profiles_(profiles) {}

    // Reads every item of the folders with these entry IDs; the number of items read.
    long Run(const gleaner::Dispatch& nameSpace, const std::vector<std::wstring>& folderEntryIds);
    // Name look-ups it made (GetIDsOfNames calls).
    long lookups() const noexcept { return lookups_; }

private:
    DISPID Id(IDispatch* object, const std::wstring& cls, const wchar_t* name);
    std::wstring MessageClass(IDispatch* item, const std::wstring& guess);
    void ReadItem(IDispatch* item, const std::wstring& folderClass);

    const gleaner::ComparisonProfiles& profiles_;
    std::map<std::pair<std::wstring, std::wstring>, DISPID> ids_; // (class, member) -> DISPID
    long lookups_ = 0;
};

struct LeastReadFigures {
    long items = 0;
    double seconds = 0;
};

// Resets the stand-in's counts, runs the least read over `folders` and prints its time and round
// trips per item (RoundTrips.h; `members` for the counts without per-kind counters).
LeastReadFigures MeasureLeastRead(const gleaner::Dispatch& control, const gleaner::Dispatch& nameSpace,
                                  const std::vector<std::wstring>& folders,
                                  const gleaner::ComparisonProfiles& profiles,
                                  std::span<const wchar_t* const> members);

} // namespace standin_bench
