#include "app/Prompts.h"

#include <commctrl.h>

namespace gleaner {

namespace {

class SystemPrompter final : public Prompter {
public:
    int Message(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override
    {
        return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
    }
    int CheckedMessage(HWND owner, const std::wstring& text, const std::wstring& caption,
                       const std::wstring& checkBox, bool& checked) override;
};

// A task dialog, the system's message dialog with a verification check box. Found at run
// time: only the version 6 common controls have it, which a process without the manifest lacks.
int SystemPrompter::CheckedMessage(HWND owner, const std::wstring& text, const std::wstring& caption,
                                   const std::wstring& checkBox, bool& checked)
{
    using TaskDialogFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
    HMODULE controls = ::GetModuleHandleW(L"comctl32.dll");
    auto* taskDialog = controls ? reinterpret_cast<TaskDialogFunction>(
                                      reinterpret_cast<void*>(::GetProcAddress(controls, "TaskDialogIndirect")))
                                : nullptr;
    if (!taskDialog) return Message(owner, text, caption, MB_OK | MB_ICONINFORMATION);
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hwndParent = owner;
    // Cancellation allowed, so that the close box and Esc close it without OK.
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | (checked ? TDF_VERIFICATION_FLAG_CHECKED : 0);
    config.dwCommonButtons = TDCBF_OK_BUTTON;
    config.pszWindowTitle = caption.c_str();
    config.pszMainIcon = TD_INFORMATION_ICON;
    config.pszContent = text.c_str();
    config.pszVerificationText = checkBox.c_str();
    int button = IDCANCEL;
    BOOL verified = checked ? TRUE : FALSE;
    if (FAILED(taskDialog(&config, &button, nullptr, &verified))) return IDCANCEL;
    checked = verified != FALSE;
    return button;
}

Prompter*& Current()
{
    static SystemPrompter system;
    static Prompter* current = &system;
    return current;
}

} // namespace

Prompter& Prompts() { return *Current(); }

ScopedPrompter::ScopedPrompter(Prompter& prompter) : previous_(Current()) { Current() = &prompter; }

ScopedPrompter::~ScopedPrompter() { Current() = previous_; }

} // namespace gleaner
