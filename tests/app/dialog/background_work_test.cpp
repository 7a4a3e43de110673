#include "app/dialog/background_work.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace vermark::testing {
namespace {

using namespace std::chrono_literals;

TEST(BackgroundWork, AJobThatThrowsEndsAloneAndCountsAsEnded) {
    std::atomic<bool> after{false};
    run_in_background([] { throw std::runtime_error("no memory for the entities"); }, true);
    run_in_background([] { throw 42; });
    run_in_background([&] { after = true; });
    EXPECT_TRUE(wait_for_background_work(10s));
    EXPECT_TRUE(wait_for_all_background_work(10s));
    EXPECT_TRUE(after);
}

TEST(BackgroundWork, TheExitWaitsForReadersOnlyWhenAskedForAllWork) {
    std::atomic<bool> hold{true};
    run_in_background([&] {
        while (hold) std::this_thread::sleep_for(1ms);
    });
    EXPECT_TRUE(wait_for_background_work(0ms)) << "a reader is not a copy being written";
    EXPECT_FALSE(wait_for_all_background_work(20ms));
    hold = false;
    EXPECT_TRUE(wait_for_all_background_work(10s));
}

}  // namespace
}  // namespace vermark::testing
