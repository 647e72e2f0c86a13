#include "platform/Unique.h"

#include <gtest/gtest.h>

#include <map>

namespace {

std::map<int, int> closes; // value -> how often it was closed

struct CountingTraits {
    using Type = int;
    static int Invalid() noexcept { return -1; }
    static void Close(int value) noexcept { ++closes[value]; }
};

using Counted = gleaner::Unique<CountingTraits>;

TEST(Unique, ClosesEveryValueExactlyOnce)
{
    closes.clear();
    {
        Counted a(1);
        Counted b(std::move(a));     // a gives up 1 without closing it
        Counted c(2);
        c = std::move(b);            // 2 closed, c holds 1
        int* slot = c.put();         // 1 closed before the slot is handed out
        *slot = 3;
        Counted d(4);
        int released = d.release();  // 4 is the caller's now
        EXPECT_EQ(released, 4);
        Counted e(5);
        e.reset(6);                  // 5 closed
        Counted empty;
        EXPECT_FALSE(empty);
        EXPECT_TRUE(e);
    }                                // 3 and 6 closed
    EXPECT_EQ(closes, (std::map<int, int>{{1, 1}, {2, 1}, {3, 1}, {5, 1}, {6, 1}}));
}

TEST(Unique, SelfMoveKeepsTheValue)
{
    closes.clear();
    {
        Counted a(7);
        Counted& alias = a;
        a = std::move(alias);
        EXPECT_EQ(a.get(), 7);
        EXPECT_TRUE(closes.empty());
    }
    EXPECT_EQ(closes[7], 1);
}

} // namespace
