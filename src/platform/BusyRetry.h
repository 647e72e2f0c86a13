#pragma once
// What the call layer does when a server is busy: a call that Outlook rejects while it shows
// a dialog or synchronises (RPC_E_CALL_REJECTED, RPC_E_SERVERCALL_RETRYLATER) was never
// carried out, so it is made again a bounded number of times, with a pause between, before it
// counts as failed. The pause is replaceable so that tests count attempts and never wait.
#include <windows.h>

#include <ole2.h>

namespace gleaner {

inline bool IsBusyRejection(HRESULT hr) noexcept
{
    return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER;
}

// How many times a rejected call is made again, and the pause before each retry.
struct BusyRetryPolicy {
    unsigned retries = 8;
    // Called before retry number `retry` (1-based); the default sleeps 100 ms, doubling up to 1 s.
    void (*pause)(unsigned retry) = nullptr;
};

// The policy in force for this process (one user-interface thread makes every call).
const BusyRetryPolicy& CurrentBusyRetry() noexcept;
// Replaces the policy; returns the previous one.
BusyRetryPolicy SetBusyRetry(const BusyRetryPolicy& policy) noexcept;

// Runs `attempt` (returning an HRESULT) until it is not a busy rejection or the retries are
// spent; returns the last result.
template <typename Attempt>
HRESULT RetryWhileBusy(Attempt&& attempt)
{
    HRESULT hr = attempt();
    const BusyRetryPolicy& policy = CurrentBusyRetry();
    for (unsigned retry = 1; IsBusyRejection(hr) && retry <= policy.retries; ++retry) {
        if (policy.pause) policy.pause(retry);
        hr = attempt();
    }
    return hr;
}

// The process's COM message filter for the time it lives: on Windows, COM hands a call that a
// busy server rejected to RetryRejectedCall, which retries it for a few seconds before the
// call fails. (Wine 8 does not deliver rejected calls to the client's filter, so there the
// call layer's own retry above is what waits.)
class BusyMessageFilter : public IMessageFilter {
public:
    BusyMessageFilter() noexcept;
    ~BusyMessageFilter();
    BusyMessageFilter(const BusyMessageFilter&) = delete;
    BusyMessageFilter& operator=(const BusyMessageFilter&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD callType, HTASK caller, DWORD tickCount,
                                               LPINTERFACEINFO info) override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK callee, DWORD tickCount, DWORD rejectType) override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK callee, DWORD tickCount, DWORD pendingType) override;

    // How long COM keeps retrying a rejected call, and how soon it retries.
    static constexpr DWORD kRetryForMs = 3000;
    static constexpr DWORD kRetryAfterMs = 100;

private:
    IMessageFilter* previous_ = nullptr;
    bool registered_ = false;
};

} // namespace gleaner
