#pragma once
// Exceptions for failed Win32 and COM calls. what() is UTF-8; message() is the
// component's own text as wide text, which is what the program logs.
#include <windows.h>

#include <stdexcept>
#include <string>

namespace gleaner {

class ComError : public std::runtime_error {
public:
    ComError(HRESULT hr, std::wstring message);
    HRESULT code() const noexcept { return hr_; }
    const std::wstring& message() const noexcept { return message_; }

private:
    HRESULT hr_;
    std::wstring message_;
};

class Win32Error : public std::runtime_error {
public:
    Win32Error(DWORD error, std::wstring message);
    DWORD code() const noexcept { return error_; }
    const std::wstring& message() const noexcept { return message_; }

private:
    DWORD error_;
    std::wstring message_;
};

// The system's text for an HRESULT, else our own table's, else a generic text with the code.
std::wstring HresultText(HRESULT hr);

[[noreturn]] void ThrowComError(HRESULT hr);
[[noreturn]] void ThrowComError(HRESULT hr, const std::wstring& message);
[[noreturn]] void ThrowLastError();
[[noreturn]] void ThrowWin32Error(DWORD error);

inline void CheckHr(HRESULT hr)
{
    if (FAILED(hr)) ThrowComError(hr);
}

// The message of any exception the program catches, as wide text (what() is UTF-8
// for foreign exceptions; ours carry the wide text directly).
std::wstring ExceptionMessage(const std::exception& e);

} // namespace gleaner
