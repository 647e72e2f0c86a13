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
