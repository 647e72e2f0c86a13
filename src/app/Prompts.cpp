#include "app/Prompts.h"

namespace gleaner {

namespace {

class SystemPrompter final : public Prompter {
public:
    int Message(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override
    {
        return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
    }
};

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
