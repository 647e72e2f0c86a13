#include "platform/ErrorText.h"

#include <cwchar>

namespace gleaner {

namespace {

struct KnownCode {
    std::uint32_t code;
    const wchar_t* text;
};

constexpr KnownCode kKnownCodes[] = {
    {0x80020001u, L"Unknown interface."},
    {0x80020003u, L"Member not found."},
    {0x80020004u, L"Parameter not found."},
    {0x80020005u, L"Type mismatch."},
    {0x80020006u, L"Unknown name."},
    {0x80020007u, L"No named arguments."},
    {0x80020008u, L"Bad variable type."},
    {0x80020009u, L"Exception occurred."},
    {0x8002000Au, L"Out of present range."},
    {0x8002000Bu, L"Invalid index."},
    {0x8002000Cu, L"Unknown language."},
    {0x8002000Du, L"Memory is locked."},
    {0x8002000Eu, L"Invalid number of parameters."},
    {0x8002000Fu, L"Parameter not optional."},
    {0x80020010u, L"Invalid callee."},
    {0x80020011u, L"Does not support a collection."},
    {0x80020012u, L"Division by zero."},
    {0x80010001u, L"Call was rejected by callee."},
    {0x80010007u, L"The callee (server [not server application]) is not available and disappeared."},
    {0x80010008u, L"The caller (client) disappeared while the callee (server) was processing a call."},
    {0x80010012u, L"The server died."},
    {0x80010105u, L"The server threw an exception."},
    {0x80010108u, L"The object invoked has disconnected from its clients."},
    {0x8001010Au, L"The message filter indicated that the application is busy."},
    {0x8001010Du, L"An outgoing call cannot be made since the application is dispatching an input-synchronous call."},
    {0x8001010Eu, L"The application called an interface that was marshalled for a different thread."},
    {0x800401E4u, L"Invalid syntax."},
    {0x800401E3u, L"Operation unavailable."},
    {0x800401F0u, L"CoInitialize has not been called."},
    {0x800401F3u, L"Invalid class string."},
    {0x800401F9u, L"Error in the DLL."},
    {0x80040154u, L"Class not registered."},
    {0x80080005u, L"Server execution failed."},
};

} // namespace

std::wstring HexCode(std::uint32_t code)
{
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"0x%08X", static_cast<unsigned>(code));
    return buffer;
}

std::optional<std::wstring> KnownErrorText(std::uint32_t code)
{
    for (const KnownCode& known : kKnownCodes) {
        if (known.code == code) return std::wstring(known.text) + L" (" + HexCode(code) + L")";
    }
    return std::nullopt;
}

} // namespace gleaner
