#pragma once
// Initialises COM (single-threaded apartment, with OLE) for the calling thread, and
// undoes it at scope exit only when this object's own initialisation succeeded.
#include <windows.h>

#include <ole2.h>

namespace gleaner {

class ComInit {
public:
    ComInit() noexcept : hr_(::OleInitialize(nullptr)) {}
    ~ComInit()
    {
        if (SUCCEEDED(hr_)) ::OleUninitialize();
    }
    ComInit(const ComInit&) = delete;
    ComInit& operator=(const ComInit&) = delete;

    HRESULT result() const noexcept { return hr_; }
    bool ok() const noexcept { return SUCCEEDED(hr_); }

private:
    HRESULT hr_;
};

} // namespace gleaner
