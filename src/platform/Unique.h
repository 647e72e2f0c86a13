#pragma once
// Move-only owner of one resource value (a handle, a key, a module). Portable: the
// close policy comes from Traits, so native tests can check it with a counting fake.
#include <utility>

namespace gleaner {

// Traits: `using Type = ...; static Type Invalid() noexcept; static void Close(Type) noexcept;`
template <typename Traits>
class Unique {
public:
    using Type = typename Traits::Type;

    Unique() noexcept : value_(Traits::Invalid()) {}
    explicit Unique(Type value) noexcept : value_(value) {}
    ~Unique() { reset(); }

    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : value_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }

    Type get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }

    // Frees the current value first, then hands out the slot for an out-parameter.
    Type* put() noexcept
    {
        reset();
        return &value_;
    }

    Type release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    void reset(Type value = Traits::Invalid()) noexcept
    {
        Type old = std::exchange(value_, value);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Type value_;
};

} // namespace gleaner
