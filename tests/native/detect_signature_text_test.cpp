// Joining signature parts: framing, the empty rule and the "notsupported" rule; the time text.
#include "detect/SignatureText.h"
#include "detect/TimeText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace gleaner;

namespace {

struct Parts {
    std::optional<std::wstring> folder;
    std::vector<std::wstring> values;
};

SignatureText Build(const Parts& parts)
{
    SignatureText text;
    if (parts.folder) text.setFolderPath(*parts.folder);
    for (const std::wstring& value : parts.values) text.appendValue(value);
    return text;
}

TEST(DetectSignatureText, DifferentValuesNeverJoinAlike)
{
    const Parts pairs[][2] = {
        {{{}, {L"ab", L"c"}}, {{}, {L"a", L"bc"}}},
        {{{}, {L"a", L""}}, {{}, {L"", L"a"}}},
        {{{}, {L"1:a"}}, {{}, {L"1", L"a"}}},
        {{L"\\P\\Inbox", {L"x"}}, {{}, {L"\\P\\Inbox", L"x"}}},
        {{L"\\P\\In", {L"boxHello"}}, {L"\\P\\Inbox", {L"Hello"}}},
        {{{}, {L"Привет"}}, {{}, {L"Пока"}}},
        {{{}, {L"x", L""}}, {{}, {L"x"}}},
    };
    for (const auto& pair : pairs) {
        SignatureText left = Build(pair[0]);
        SignatureText right = Build(pair[1]);
        ASSERT_FALSE(left.empty());
        ASSERT_FALSE(right.empty());
        EXPECT_NE(left.finish(), right.finish()) << left.plain().size();
    }
    // Plain text still joins without separators, as the rules that look at it expect.
    EXPECT_EQ(Build({L"\\Personal Folders\\Inbox", {L"Hello", L"World"}}).plain(),
              L"\\Personal Folders\\InboxHelloWorld");
    // Equal values in equal order give equal signatures, whatever the kind.
    EXPECT_EQ(Build({{}, {L"Hello", L"World"}}).finish(), Build({{}, {L"Hello", L"World"}}).finish());
    EXPECT_NE(Build({{}, {L"hello"}}).finish(), Build({{}, {L"Hello"}}).finish());
}

TEST(DetectSignatureText, NothingToCompareAndTheMarker)
{
    // No folder path and every value empty (or no value at all): nothing to compare.
    EXPECT_TRUE(Build({{}, {}}).empty());
    EXPECT_TRUE(Build({{}, {L"", L"", L""}}).empty());
    EXPECT_TRUE(Build({L"", {L""}}).empty());

    // With a folder path and nothing else, items of one folder match however many empty
    // rows their kinds tick; another folder gives another text.
    std::wstring inbox = Build({L"\\P\\Inbox", {}}).finish();
    EXPECT_EQ(Build({L"\\P\\Inbox", {L"", L""}}).finish(), inbox);
    EXPECT_EQ(Build({L"\\P\\Inbox", {L"", L"", L"", L""}}).finish(), inbox);
    EXPECT_NE(Build({L"\\P\\Sent", {L""}}).finish(), inbox);
    EXPECT_NE(Build({L"\\P\\Inbox", {L"", L"x"}}).finish(), inbox);
    EXPECT_NE(Build({{}, {L"\\P\\Inbox"}}).finish(), inbox);

    // The marker is recognised on the unframed text.
    EXPECT_EQ(Build({{}, {L"notsupported"}}).finish(), kNotSupported);
    EXPECT_EQ(Build({{}, {L"not", L"supported"}}).finish(), kNotSupported);
    EXPECT_EQ(Build({L"notsup", {L"ported"}}).finish(), kNotSupported);
    EXPECT_NE(Build({{}, {L"notsupported "}}).finish(), kNotSupported);
    EXPECT_NE(Build({{}, {L"NotSupported"}}).finish(), kNotSupported);
    // No framed text can pose as the marker or as a GUID.
    for (const Parts& parts : {Parts{{}, {L"x"}}, Parts{L"\\P", {L"y"}}, Parts{{}, {L"{"}}}) {
        std::wstring framed = Build(parts).finish();
        EXPECT_NE(framed, kNotSupported);
        EXPECT_NE(framed.front(), L'{');
    }
}

TEST(DetectTimeText, ComposesFromRegionalSettings)
{
    TimeSettings us{true, false, L":", L"AM", L"PM", false};
    TimeSettings de{false, true, L":", L"", L"", false};
    TimeSettings prefix{true, true, L".", L"上午", L"下午", true};
    TimeSettings noMarker{true, false, L":", L"", L"", false};
    struct Case {
        int h, m, s;
        const TimeSettings& settings;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {14, 5, 9, us, L"2:05:09 PM"},     {0, 0, 0, us, L"12:00:00 AM"},  {12, 0, 1, us, L"12:00:01 PM"},
        {9, 59, 59, us, L"9:59:59 AM"},    {14, 5, 9, de, L"14:05:09"},     {7, 3, 0, de, L"07:03:00"},
        {0, 0, 0, de, L"00:00:00"},         {23, 59, 59, de, L"23:59:59"},  {7, 8, 9, prefix, L"上午 07.08.09"},
        {19, 8, 9, prefix, L"下午 07.08.09"}, {13, 0, 0, noMarker, L"1:00:00"},
    };
    for (const Case& c : cases) EXPECT_EQ(ComposeTime(c.h, c.m, c.s, c.settings), c.expected);
}

} // namespace
