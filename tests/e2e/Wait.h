#pragma once
// Waiting for another process by polling: the program under test runs at its own pace, so
// every wait asks again and again until a condition holds or a generous time-out passes.
#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <string>

namespace gleaner::e2e {

// Generous, since the machine may be shared and loaded.
inline constexpr std::chrono::milliseconds kWaitTimeout{60000};

class WaitTimeout : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Calls `condition` until it returns true; throws WaitTimeout naming `what` after `timeout`.
// Between tries this thread's own messages are handled and the thread yields briefly.
template <typename Condition>
void WaitUntil(const std::string& what, Condition&& condition, std::chrono::milliseconds timeout = kWaitTimeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return;
        if (std::chrono::steady_clock::now() > deadline) throw WaitTimeout("timed out waiting for " + what);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 15, QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    }
}

} // namespace gleaner::e2e
