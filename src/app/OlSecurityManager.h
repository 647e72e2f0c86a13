#pragma once
// TOlSecurityManager: finds (or lets register itself) the Outlook Security Manager
// component, hands it Outlook's Application object and switches it on and off.
// Owns the component's interface.
#include <windows.h>

#include <stdexcept>
#include <string>

#include "app/SecManInterface.h"
#include "platform/ComPtr.h"
#include "platform/Dispatch.h"

namespace gleaner {

class TosmException : public std::runtime_error {
public:
    TosmException();
    const std::wstring& message() const noexcept { return message_; }

private:
    std::wstring message_;
};

class TOlSecurityManager {
public:
    // Never throws because the component is missing: the interface then stays empty.
    TOlSecurityManager();
    TOlSecurityManager(const TOlSecurityManager&) = delete;
    TOlSecurityManager& operator=(const TOlSecurityManager&) = delete;

    void ConnectTo(const Dispatch& application);
    // Write-only in use; switching to the state already remembered does nothing.
    void Enabled(bool value);

    bool available() const noexcept { return static_cast<bool>(manager_); }
    bool connected() const noexcept { return connected_; }

private:
    IOutlookSecurityManager* require() const;

    ComPtr<IOutlookSecurityManager> manager_;
    bool connected_ = false;
    bool enabled_ = false;
};

} // namespace gleaner
