#pragma once
// What a piece of work cost in calls into Outlook, from the stand-in's counters: per kind of
// round trip when its control object counts them (`RoundTrips(kind)`), else only the Invokes,
// summed from `CallCount(name)` over the members the work uses.
#include <array>
#include <optional>
#include <span>

#include "platform/Dispatch.h"

namespace standin_bench {

class RoundTrips {
public:
    enum Kind { Invoke, GetIDsOfNames, GetTypeInfoCount, GetTypeInfo, TypeInfo, Release, Total, kKinds };
    static const wchar_t* Name(Kind kind);

    // The counts since the control object's last ResetCounts. `members`: the member names whose
    // CallCount stands in for the Invokes when the control object has no RoundTrips.
    static RoundTrips Read(const gleaner::Dispatch& control, std::span<const wchar_t* const> members);

    // True when the control object counted every kind; else only Invoke (and Total, the same) is known.
    bool perKind() const noexcept { return perKind_; }
    std::optional<long long> count(Kind kind) const { return counts_[kind]; }

    // One line: each known kind per item and per row, e.g. "Invoke 6.00/item 60.0/row ...".
    void Print(const char* label, double items, double rows) const;

private:
    std::array<std::optional<long long>, kKinds> counts_{};
    bool perKind_ = false;
};

} // namespace standin_bench
