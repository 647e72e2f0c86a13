#pragma once
// The main window as the program makes it, for the reliability tests: created under the
// application window, shown, closed and destroyed as gleaner.exe does, with a prompter that
// records every message instead of showing it.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/MainForm.h"
#include "app/Prompts.h"
#include "app/SecManInterface.h"
#include "platform/ComPtr.h"

namespace reliability {

// Hands this thread's pending messages to their windows.
inline void PumpMessages()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

class RecordingPrompter final : public gleaner::Prompter {
public:
    int Message(HWND, const std::wstring& text, const std::wstring&, UINT) override
    {
        texts.push_back(text);
        return answer;
    }
    int CheckedMessage(HWND, const std::wstring& text, const std::wstring&, const std::wstring&, bool&) override
    {
        texts.push_back(text);
        return IDOK;
    }
    std::vector<std::wstring> texts;
    int answer = IDOK;
};

class Program {
public:
    Program()
    {
        application_.Create();
        form = std::make_unique<gleaner::TForm1>();
        window = form->Create(application_.hwnd());
        application_.SetMainForm(window);
    }
    ~Program()
    {
        form.reset();
        PumpMessages();
        ReleaseOutlookFromSecurityManager();
    }
    void Show()
    {
        ::ShowWindow(window, SW_SHOW);
        PumpMessages();
    }
    gleaner::TForm3& Options() { return *form->Form3; }

    // The security manager stand-in keeps the Outlook object it was connected to for the whole
    // process; letting it go once the window is gone lets the next Outlook load its profile afresh.
    static void ReleaseOutlookFromSecurityManager()
    {
        gleaner::ComPtr<gleaner::IOutlookSecurityManager> manager;
        if (FAILED(::CoCreateInstance(gleaner::kClsidOutlookSecurityManager, nullptr, CLSCTX_INPROC_SERVER,
                                      gleaner::kIidOutlookSecurityManager, manager.putVoid())))
            return;
        VARIANT none{};
        manager->DisconnectFrom(none);
    }

    gleaner::TApplication application_;
    std::unique_ptr<gleaner::TForm1> form;
    HWND window = nullptr;
};

// Log lines that end with `tail`.
inline bool EndsWith(const std::wstring& line, const std::wstring& tail)
{
    return line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace reliability
