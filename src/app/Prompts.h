#pragma once
// Every modal prompt of the program goes through the current Prompter, so tests can put
// their own in place and no test ever waits on a modal window.
#include <windows.h>

#include <string>

namespace gleaner {

class Prompter {
public:
    virtual ~Prompter() = default;
    // A plain message box; returns the button chosen (IDOK, IDYES, ...).
    virtual int Message(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) = 0;
    // An information message with OK and a check box under it; the dialog can also be closed
    // without OK. `checked` is the box's state going in and coming out. Returns IDOK, or
    // IDCANCEL for any other close, which is also the answer of a prompter that does not
    // show it, so no test waits on it.
    virtual int CheckedMessage(HWND owner, const std::wstring& text, const std::wstring& caption,
                               const std::wstring& checkBox, bool& checked)
    {
        (void)owner, (void)text, (void)caption, (void)checkBox, (void)checked;
        return IDCANCEL;
    }
};

// The prompter in use: the system's message boxes unless a test replaced it.
Prompter& Prompts();

// Puts `prompter` in place for its lifetime and restores the previous one after.
class ScopedPrompter {
public:
    explicit ScopedPrompter(Prompter& prompter);
    ~ScopedPrompter();
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;

private:
    Prompter* previous_;
};

} // namespace gleaner
