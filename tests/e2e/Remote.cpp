#include "Remote.h"

#include <stdexcept>
#include <vector>

namespace gleaner::e2e {

RemoteBuffer::RemoteBuffer(HANDLE process, std::size_t size)
    : process_(process),
      address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)),
      size_(size)
{
    if (!address_) throw std::runtime_error("VirtualAllocEx failed");
}

RemoteBuffer::~RemoteBuffer() { ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }

void RemoteBuffer::Write(const void* data, std::size_t size, std::size_t offset) const
{
    SIZE_T written = 0;
    if (offset + size > size_ || !::WriteProcessMemory(process_, at(offset), data, size, &written) || written != size)
        throw std::runtime_error("WriteProcessMemory failed");
}

void RemoteBuffer::Read(void* data, std::size_t size, std::size_t offset) const
{
    SIZE_T read = 0;
    if (offset + size > size_ || !::ReadProcessMemory(process_, at(offset), data, size, &read) || read != size)
        throw std::runtime_error("ReadProcessMemory failed");
}

std::wstring RemoteBuffer::GetText(std::size_t offset, std::size_t chars) const
{
    std::vector<wchar_t> text(chars + 1, L'\0');
    Read(text.data(), chars * sizeof(wchar_t), offset);
    return text.data();
}

LRESULT SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    // A search hands messages to its window once per item, so even a busy program answers soon.
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 60000, &result))
        throw std::runtime_error("the program did not answer a window message");
    return static_cast<LRESULT>(result);
}

} // namespace gleaner::e2e
