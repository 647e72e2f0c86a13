#pragma once
// Owner of one BSTR.
#include <windows.h>

#include <oleauto.h>

#include <string>
#include <string_view>
#include <utility>

namespace gleaner {

class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(std::wstring_view text);
    ~Bstr() { reset(); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept
    {
        if (this != &other) {
            reset();
            b_ = std::exchange(other.b_, nullptr);
        }
        return *this;
    }

    static Bstr Attach(BSTR b) noexcept
    {
        Bstr result;
        result.b_ = b;
        return result;
    }

    BSTR get() const noexcept { return b_; }
    BSTR* put() noexcept
    {
        reset();
        return &b_;
    }
    BSTR release() noexcept { return std::exchange(b_, nullptr); }
    void reset() noexcept
    {
        if (BSTR old = std::exchange(b_, nullptr)) ::SysFreeString(old);
    }

    // A null BSTR is the empty text.
    std::wstring str() const { return b_ ? std::wstring(b_, ::SysStringLen(b_)) : std::wstring(); }

private:
    BSTR b_ = nullptr;
};

} // namespace gleaner
