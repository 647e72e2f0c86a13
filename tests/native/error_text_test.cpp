#include "platform/ErrorText.h"

#include <gtest/gtest.h>

TEST(ErrorText, KnownCodesCarryTheirHexCode)
{
    struct Case {
        std::uint32_t code;
        const wchar_t* text;
    } cases[] = {
        {0x80020006u, L"Unknown name. (0x80020006)"},
        {0x80020009u, L"Exception occurred. (0x80020009)"},
        {0x80010108u, L"The object invoked has disconnected from its clients. (0x80010108)"},
        {0x800401F3u, L"Invalid class string. (0x800401F3)"},
    };
    for (const Case& c : cases) {
        auto text = gleaner::KnownErrorText(c.code);
        ASSERT_TRUE(text.has_value()) << std::hex << c.code;
        EXPECT_EQ(*text, c.text);
    }
}

TEST(ErrorText, UnknownCodeHasNoText)
{
    EXPECT_FALSE(gleaner::KnownErrorText(0x12345678u).has_value());
    EXPECT_EQ(gleaner::HexCode(0x800A01C9u), L"0x800A01C9");
}
