#include "platform/CheckBoxImages.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <vsstyle.h>

#include "platform/Handles.h"

namespace gleaner {

namespace {

// The themed drawing of the system's check boxes, where a theme is on.
class ButtonTheme {
public:
    explicit ButtonTheme(HWND window) noexcept
    {
        if (!module_) return;
        auto open = reinterpret_cast<HTHEME(WINAPI*)(HWND, LPCWSTR)>(
            reinterpret_cast<void*>(::GetProcAddress(module_.get(), "OpenThemeData")));
        draw_ = reinterpret_cast<DrawFunction>(
            reinterpret_cast<void*>(::GetProcAddress(module_.get(), "DrawThemeBackground")));
        close_ = reinterpret_cast<CloseFunction>(
            reinterpret_cast<void*>(::GetProcAddress(module_.get(), "CloseThemeData")));
        if (open && draw_ && close_) theme_ = open(window, L"BUTTON");
    }
    ~ButtonTheme()
    {
        if (theme_) close_(theme_);
    }
    ButtonTheme(const ButtonTheme&) = delete;
    ButtonTheme& operator=(const ButtonTheme&) = delete;

    // False when there is no theme to draw with.
    bool DrawCheckBox(HDC dc, const RECT& box, bool checked) const noexcept
    {
        return theme_ &&
               SUCCEEDED(draw_(theme_, dc, BP_CHECKBOX, checked ? CBS_CHECKEDNORMAL : CBS_UNCHECKEDNORMAL, &box, nullptr));
    }

private:
    using DrawFunction = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
    using CloseFunction = HRESULT(WINAPI*)(HTHEME);
    UniqueHmodule module_{::LoadLibraryW(L"uxtheme.dll")};
    DrawFunction draw_ = nullptr;
    CloseFunction close_ = nullptr;
    HTHEME theme_ = nullptr;
};

// Unticked, then ticked: the list view's state pictures 1 and 2. Like the control's own, the
// box leaves a two-pixel margin, which the mask keeps clear.
UniqueHimagelist CreateCheckBoxImages(HWND listView, int size)
{
    UniqueHimagelist images(::ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 2, 0));
    if (!images) return images;
    const ButtonTheme theme(listView);
    HDC screen = ::GetDC(listView);
    HDC dc = ::CreateCompatibleDC(screen);
    for (bool checked : {false, true}) {
        UniqueGdiObject picture(::CreateCompatibleBitmap(screen, size, size));
        UniqueGdiObject mask(::CreateBitmap(size, size, 1, 1, nullptr));
        RECT all{0, 0, size, size};
        RECT box{2, 2, size - 2, size - 2};
        HGDIOBJ old = ::SelectObject(dc, mask.get());
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ::FillRect(dc, &box, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        ::SelectObject(dc, picture.get());
        ::FillRect(dc, &all, ::GetSysColorBrush(COLOR_WINDOW));
        if (!theme.DrawCheckBox(dc, box, checked))
            ::DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_MONO | (checked ? DFCS_CHECKED : 0));
        ::SelectObject(dc, old);
        ImageList_Add(images.get(), static_cast<HBITMAP>(picture.get()), static_cast<HBITMAP>(mask.get()));
    }
    ::DeleteDC(dc);
    ::ReleaseDC(listView, screen);
    return images;
}

} // namespace

void FitCheckBoxImages(HWND listView, int size) noexcept
{
    HIMAGELIST current = ListView_GetImageList(listView, LVSIL_STATE);
    int width = 0, height = 0;
    if (current && ImageList_GetIconSize(current, &width, &height) && width == size && height == size) return;
    UniqueHimagelist images = CreateCheckBoxImages(listView, size);
    if (!images) return;
    // The control frees the list it holds when it is destroyed, but not one it was given before.
    UniqueHimagelist previous(ListView_SetImageList(listView, images.release(), LVSIL_STATE));
}

} // namespace gleaner
