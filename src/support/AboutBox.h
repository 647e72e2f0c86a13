#pragma once
// TAboutBox: the modal About box with the product's name, version, description and web link,
// and a "Send Error Report" button that leaves the box open.
#include <windows.h>

#include <functional>

#include "platform/Dpi.h"
#include "platform/Handles.h"

namespace gleaner {

// The program-wide cursor: while it is set, the program's windows show it instead of their own.
HCURSOR ScreenCursor() noexcept;
void SetScreenCursor(HCURSOR cursor) noexcept;

class TAboutBox {
public:
    // The client area at 96 DPI; the box scales it to its own DPI.
    static constexpr int kClientWidth = 298;
    static constexpr int kClientHeight = 270;
    static constexpr COLORREF kLinkColor = RGB(0, 0, 128); // navy
    enum : int { kOKButton = IDOK, kButton2 = 101, kProgramIcon, kProductName, kVersion, kComments, kLabel1, kLabel2 };

    // `sendErrorReport`: what "Send Error Report" runs.
    explicit TAboutBox(std::function<void()> sendErrorReport);
    ~TAboutBox();
    TAboutBox(const TAboutBox&) = delete;
    TAboutBox& operator=(const TAboutBox&) = delete;

    // Creates the box hidden, centred on the screen, owned by `owner`; FormCreate runs then.
    HWND Create(HWND owner);
    // Creates the box and shows it until it is closed; the owner is disabled meanwhile.
    void ShowModal(HWND owner);
    HWND hwnd() const noexcept { return hwnd_; }
    int Dpi() const noexcept { return dpi_; }
    // The bevelled panel around everything but the buttons, in client coordinates at `dpi`.
    static RECT PanelRect(int dpi = kDesignDpi) noexcept;

    HWND ProgramIcon = nullptr;
    HWND ProductName = nullptr;
    HWND Version = nullptr;
    HWND Comments = nullptr;
    HWND Label1 = nullptr; // "Homepage:"
    HWND Label2 = nullptr; // the link
    HWND OKButton = nullptr;
    HWND Button2 = nullptr; // "Send Error Report"

    void FormCreate();
    void Label2Click();
    void Label2MouseEnter();
    void Label2MouseLeave();
    void OKButtonClick();
    void Button2Click();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK LinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnCommand(int id, int code);
    void OnPaint();
    // The box moved to a screen of `dpi`: new fonts and icon, every element placed again, and
    // the window's top left at `suggested` (screen coordinates) when there is one.
    void OnDpiChanged(int dpi, const RECT* suggested);
    HWND Child(const wchar_t* className, DWORD style, int id);
    void CreateFonts();
    void LoadProgramIcon();
    void Layout();
    int TextWidth(HWND control) const;

    std::function<void()> sendErrorReport_;
    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    int dpi_ = kDesignDpi;
    bool modal_ = false;
    bool overLink_ = false;
    UniqueGdiObject font_;
    UniqueGdiObject boldFont_;
    UniqueHicon icon_;
};

} // namespace gleaner
