#pragma once
// The application window: an invisible, zero-sized window that owns the main window and
// carries the application title, which is what the task bar shows. The main window keeps
// its own caption. Also runs the message loop.
#include <windows.h>

namespace gleaner {

inline constexpr wchar_t kApplicationTitle[] = L"Gleaner - Get Rid of Outlook Duplicates";

class TApplication {
public:
    TApplication() = default;
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    HWND Create();
    HWND hwnd() const noexcept { return hwnd_; }
    // The window whose task bar button this is; minimising it minimises the application.
    void SetMainForm(HWND mainForm) noexcept { mainForm_ = mainForm; }
    // Keys of the main window's commands, which work in every window of the program.
    void SetAccelerators(HACCEL accelerators) noexcept { accelerators_ = accelerators; }
    // Shows the task bar button.
    void Show();
    // Runs until the main window has ended the program.
    int Run();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    HWND mainForm_ = nullptr;
    HACCEL accelerators_ = nullptr; // the main window's
};

} // namespace gleaner
