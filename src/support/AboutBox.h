#pragma once
// TAboutBox: the modal About box with the product's name, version, description and web link,
// and a "Send Error Report" button that leaves the box open.
#include <windows.h>

#include <functional>

#include "platform/Handles.h"

namespace gleaner {

// The program-wide cursor: while it is set, the program's windows show it instead of their own.
HCURSOR ScreenCursor() noexcept;
void SetScreenCursor(HCURSOR cursor) noexcept;

class TAboutBox {
public:
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
    // The bevelled panel around everything but the buttons, in client coordinates.
    static RECT PanelRect() noexcept;

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
    HWND Child(const wchar_t* className, DWORD style, int id, int x, int y, int width, int height);
    void Layout();
    int TextWidth(HWND control) const;

    std::function<void()> sendErrorReport_;
    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    bool modal_ = false;
    bool overLink_ = false;
    UniqueGdiObject font_;
    UniqueGdiObject boldFont_;
    UniqueHicon icon_;
};

} // namespace gleaner
