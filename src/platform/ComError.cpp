#include "platform/ComError.h"

#include "platform/ErrorText.h"
#include "platform/Text.h"

namespace gleaner {

namespace {

std::wstring SystemText(DWORD code)
{
    wchar_t* buffer = nullptr;
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                        FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length && buffer) text.assign(buffer, length);
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    return text;
}

} // namespace

ComError::ComError(HRESULT hr, std::wstring message)
    : std::runtime_error(ToUtf8(message)), hr_(hr), message_(std::move(message))
{
}

Win32Error::Win32Error(DWORD error, std::wstring message)
    : std::runtime_error(ToUtf8(message)), error_(error), message_(std::move(message))
{
}

std::wstring HresultText(HRESULT hr)
{
    std::wstring text = SystemText(static_cast<DWORD>(hr));
    if (!text.empty()) return text;
    if (auto known = KnownErrorText(static_cast<std::uint32_t>(hr))) return *known;
    return L"Unknown error " + HexCode(static_cast<std::uint32_t>(hr));
}

void ThrowComError(HRESULT hr)
{
    throw ComError(hr, HresultText(hr));
}

void ThrowComError(HRESULT hr, const std::wstring& message)
{
    throw ComError(hr, message.empty() ? HresultText(hr) : message);
}

void ThrowWin32Error(DWORD error)
{
    std::wstring text = SystemText(error);
    if (text.empty()) text = L"System error " + std::to_wstring(error);
    throw Win32Error(error, text);
}

void ThrowLastError()
{
    ThrowWin32Error(::GetLastError());
}

std::wstring ExceptionMessage(const std::exception& e)
{
    if (auto com = dynamic_cast<const ComError*>(&e)) return com->message();
    if (auto win = dynamic_cast<const Win32Error*>(&e)) return win->message();
    return FromUtf8(e.what());
}

} // namespace gleaner
