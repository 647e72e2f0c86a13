#pragma once
// OutlookApplication1: the connection to Outlook's Application object. Attaches to the
// running Outlook when there is one, else starts one; letting go never tells Outlook to quit,
// so an Outlook the user had open stays open.
#include <windows.h>

#include "platform/Dispatch.h"

namespace gleaner {

// Outlook.Application
inline constexpr CLSID kClsidOutlookApplication = {
    0x0006F03A, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class OutlookConnection {
public:
    void Connect();
    // Releases the Application object; nothing happens when it never connected.
    void Disconnect() noexcept { application_.reset(); }

    bool connected() const noexcept { return static_cast<bool>(application_); }
    const Dispatch& Application() const noexcept { return application_; }

private:
    Dispatch application_;
};

} // namespace gleaner
