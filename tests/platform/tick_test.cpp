#include "platform/tick.h"

#include <gtest/gtest.h>

namespace vermark {
namespace {

TEST(TickCount, MovesForwardAndFollowsTheTestShift) {
    const std::uint32_t before = platform::GetTickCount();
    platform::advance_tick_count(60'000);
    const std::uint32_t shifted = platform::GetTickCount();
    EXPECT_GE(shifted - before, 60'000u);
    EXPECT_LT(shifted - before, 70'000u);
    platform::reset_tick_count_shift();
    EXPECT_LT(platform::GetTickCount() - before, 10'000u);
}

}  // namespace
}  // namespace vermark
