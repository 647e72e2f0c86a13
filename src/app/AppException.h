#pragma once
// The application-wide exception policy: an exception that escapes a handler of any window
// is logged with its bare message, no dialog is shown, and the program goes on.
#include <exception>

namespace gleaner {

// Cancels the current handler silently: neither shown nor logged.
class Abort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// Logs the exception's message with nothing added.
void ApplicationEvents1Exception(const std::exception& error);

// For a catch (...) block at a window procedure or COM boundary: hands the exception in
// flight to the application-wide handler. Never throws.
void HandleEscapedException() noexcept;

// Runs `work`; whatever escapes it goes to the application-wide handler.
template <typename Work>
bool RunGuarded(Work&& work) noexcept
{
    try {
        work();
        return true;
    } catch (...) {
        HandleEscapedException();
        return false;
    }
}

} // namespace gleaner
