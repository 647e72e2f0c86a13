#include "RoundTrips.h"

#include <cstdio>

#include "platform/ComError.h"

namespace standin_bench {

const wchar_t* RoundTrips::Name(Kind kind)
{
    static const wchar_t* const names[kKinds] = {L"Invoke",      L"GetIDsOfNames", L"GetTypeInfoCount", L"GetTypeInfo",
                                                 L"TypeInfo", L"Release",       L"Total"};
    return names[kind];
}

RoundTrips RoundTrips::Read(const gleaner::Dispatch& control, std::span<const wchar_t* const> members)
{
    RoundTrips trips;
    for (int k = 0; k < kKinds; ++k) {
        try {
            trips.counts_[k] = control.call(L"RoundTrips", Name(static_cast<Kind>(k))).toInt();
            trips.perKind_ = true;
        } catch (const gleaner::ComError& error) {
            // A stand-in without the per-kind counters does not know the member at all; one that
            // has them but not this kind leaves it out.
            const bool unknown = error.code() == DISP_E_UNKNOWNNAME || error.code() == DISP_E_MEMBERNOTFOUND;
            if (!unknown || trips.perKind_) continue;
            break;
        }
    }
    if (trips.perKind_) return trips;
    long long invokes = 0;
    for (const wchar_t* member : members) invokes += control.call(L"CallCount", member).toInt();
    trips.counts_[Invoke] = invokes;
    trips.counts_[Total] = invokes;
    return trips;
}

void RoundTrips::Print(const char* label, double items, double rows) const
{
    std::printf("  %s round trips%s:", label, perKind_ ? "" : " (Invoke only, from CallCount)");
    for (int k = 0; k < kKinds; ++k) {
        if (!counts_[k]) continue;
        const double n = static_cast<double>(*counts_[k]);
        std::printf(" %ls %.2f/item", Name(static_cast<Kind>(k)), items > 0 ? n / items : 0.0);
        if (rows > 0) std::printf(" %.1f/row", n / rows);
        std::printf(";");
    }
    std::printf("\n");
}

} // namespace standin_bench
