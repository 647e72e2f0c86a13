#pragma once
// Turns a fuzzer's bytes into the values a target needs: small numbers, and wide texts made
// of raw UTF-16 code units (lone surrogates and NULs included), as the program may be given.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const noexcept { return size_ == 0; }

    // The next byte; 0 once the input is used up.
    std::uint8_t Byte()
    {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }

    // A text of at most 255 code units, its length taken from the next byte.
    std::wstring Text() { return Units(Byte()); }

    // Everything left, as code units.
    std::wstring Rest() { return Units(size_ / 2); }

private:
    std::wstring Units(std::size_t count)
    {
        std::wstring text;
        while (count-- > 0 && size_ >= 2) {
            text += static_cast<wchar_t>(data_[0] | (data_[1] << 8));
            data_ += 2;
            size_ -= 2;
        }
        return text;
    }

    const std::uint8_t* data_;
    std::size_t size_;
};

// A failed property: abort, so libFuzzer keeps the input and the test fails.
#define FUZZ_CHECK(condition) \
    do {                      \
        if (!(condition)) __builtin_trap(); \
    } while (0)

} // namespace fuzz
