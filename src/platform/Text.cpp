#include "platform/Text.h"

#include <windows.h>

namespace gleaner {

namespace {

std::string ToCodePage(UINT codePage, std::wstring_view text)
{
    if (text.empty()) return {};
    int size = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                          nullptr, nullptr);
    return result;
}

std::wstring FromCodePage(UINT codePage, std::string_view text)
{
    if (text.empty()) return {};
    int size = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
    return result;
}

} // namespace

std::string ToAnsi(std::wstring_view text) { return ToCodePage(CP_ACP, text); }
std::wstring FromAnsi(std::string_view text) { return FromCodePage(CP_ACP, text); }
std::string ToUtf8(std::wstring_view text) { return ToCodePage(CP_UTF8, text); }
std::wstring FromUtf8(std::string_view text) { return FromCodePage(CP_UTF8, text); }

std::wstring UpperCase(std::wstring_view text)
{
    std::wstring result(text);
    if (!result.empty()) ::CharUpperBuffW(result.data(), static_cast<DWORD>(result.size()));
    return result;
}

} // namespace gleaner
