#include "app/AppException.h"

#include "app/ErrorLog.h"
#include "platform/ComError.h"

namespace gleaner {

void ApplicationEvents1Exception(const std::exception& error) { LogError(ExceptionMessage(error)); }

void HandleEscapedException() noexcept
{
    try {
        throw;
    } catch (const Abort&) {
    } catch (const std::exception& error) {
        try {
            ApplicationEvents1Exception(error);
        } catch (...) {
            // Nothing may leave a window procedure; the line is lost.
        }
    } catch (...) {
        LogError(L"Unknown exception");
    }
}

} // namespace gleaner
