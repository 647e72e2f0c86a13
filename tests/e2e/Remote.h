#pragma once
// Memory in another process, for the control messages whose arguments are pointers: the
// control reads and writes them in its own address space, so they must live there.
#include <windows.h>

#include <cstddef>
#include <string>

namespace gleaner::e2e {

class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, std::size_t size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    // The address in the other process, to put into messages and into structures.
    void* address() const noexcept { return address_; }
    template <typename T = void>
    T* at(std::size_t offset) const noexcept
    {
        return reinterpret_cast<T*>(static_cast<char*>(address_) + offset);
    }

    void Write(const void* data, std::size_t size, std::size_t offset = 0) const;
    void Read(void* data, std::size_t size, std::size_t offset = 0) const;
    template <typename T>
    void Put(const T& value, std::size_t offset = 0) const
    {
        Write(&value, sizeof(T), offset);
    }
    template <typename T>
    T Get(std::size_t offset = 0) const
    {
        T value{};
        Read(&value, sizeof(T), offset);
        return value;
    }
    // A NUL-terminated wide text of at most `chars` characters at `offset`.
    std::wstring GetText(std::size_t offset, std::size_t chars) const;

private:
    HANDLE process_;
    void* address_;
    std::size_t size_;
};

// SendMessage with a time-out, so that a hung program fails the test instead of blocking it.
LRESULT SendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

} // namespace gleaner::e2e
