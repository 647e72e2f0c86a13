#include "platform/BusyRetry.h"

namespace gleaner {

namespace {

void SleepBeforeRetry(unsigned retry)
{
    DWORD ms = 100;
    for (unsigned i = 1; i < retry && ms < 1000; ++i) ms *= 2;
    ::Sleep(ms < 1000 ? ms : 1000);
}

BusyRetryPolicy& Policy() noexcept
{
    static BusyRetryPolicy policy{8, SleepBeforeRetry};
    return policy;
}

} // namespace

const BusyRetryPolicy& CurrentBusyRetry() noexcept { return Policy(); }

BusyRetryPolicy SetBusyRetry(const BusyRetryPolicy& policy) noexcept
{
    BusyRetryPolicy previous = Policy();
    Policy() = policy;
    return previous;
}

BusyMessageFilter::BusyMessageFilter() noexcept
{
    registered_ = SUCCEEDED(::CoRegisterMessageFilter(this, &previous_));
}

BusyMessageFilter::~BusyMessageFilter()
{
    if (!registered_) return;
    IMessageFilter* ours = nullptr;
    ::CoRegisterMessageFilter(previous_, &ours);
    // COM held a reference to the previous filter while ours was registered; it now holds it again.
    if (previous_) previous_->Release();
}

HRESULT STDMETHODCALLTYPE BusyMessageFilter::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)) {
        *out = static_cast<IMessageFilter*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

DWORD STDMETHODCALLTYPE BusyMessageFilter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO)
{
    return SERVERCALL_ISHANDLED;
}

DWORD STDMETHODCALLTYPE BusyMessageFilter::RetryRejectedCall(HTASK, DWORD tickCount, DWORD rejectType)
{
    // -1 cancels the call (it then fails with RPC_E_CALL_REJECTED, which the call layer retries a
    // few more times); 100 or more retries after that many milliseconds. Both kinds of rejection
    // are waited for: Outlook answers "retry later" while it shows a dialog.
    (void)rejectType;
    if (tickCount >= kRetryForMs) return static_cast<DWORD>(-1);
    return kRetryAfterMs;
}

DWORD STDMETHODCALLTYPE BusyMessageFilter::MessagePending(HTASK, DWORD, DWORD)
{
    // Paint and the like are handled while waiting; input waits for the call.
    return PENDINGMSG_WAITDEFPROCESS;
}

} // namespace gleaner
