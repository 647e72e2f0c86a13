#pragma once
// Owners for the raw Win32 handles the program holds.
#include <windows.h>

#include <commctrl.h>

#include "platform/Unique.h"

namespace gleaner {

namespace handle_traits {

struct Kernel {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};

// CreateFile reports failure as INVALID_HANDLE_VALUE, not null.
struct File {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};

struct Hkey {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::RegCloseKey(h); }
};

struct Hmodule {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::FreeLibrary(h); }
};

struct Hwnd {
    using Type = HWND;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyWindow(h); }
};

struct GdiObject {
    using Type = HGDIOBJ;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DeleteObject(h); }
};

struct Himagelist {
    using Type = HIMAGELIST;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept;
};

struct Hicon {
    using Type = HICON;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyIcon(h); }
};

struct Haccel {
    using Type = HACCEL;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::DestroyAcceleratorTable(h); }
};

} // namespace handle_traits

using UniqueHandle = Unique<handle_traits::Kernel>;
using UniqueFile = Unique<handle_traits::File>;
using UniqueHkey = Unique<handle_traits::Hkey>;
using UniqueHmodule = Unique<handle_traits::Hmodule>;
using UniqueHwnd = Unique<handle_traits::Hwnd>;
using UniqueGdiObject = Unique<handle_traits::GdiObject>;
using UniqueHimagelist = Unique<handle_traits::Himagelist>;
using UniqueHicon = Unique<handle_traits::Hicon>;
using UniqueHaccel = Unique<handle_traits::Haccel>;

} // namespace gleaner
