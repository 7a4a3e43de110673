#include "platform/isolated.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace vermark::platform {
namespace {

using namespace std::chrono_literals;

TEST(RunIsolated, ReturnsWhatTheChildProducedWhateverItsSize) {
    EXPECT_EQ(run_isolated([] { return std::optional<std::string>("picture"); }, 10s), "picture");
    // Far more than a pipe holds: the parent must read while the child writes.
    const std::string big(3 << 20, 'x');
    EXPECT_EQ(run_isolated([&] { return std::optional<std::string>(big); }, 30s), big);
    EXPECT_EQ(run_isolated([] { return std::optional<std::string>(""); }, 10s), "");
    EXPECT_EQ(run_isolated([] { return std::optional<std::string>(); }, 10s), std::nullopt);
}

TEST(RunIsolated, AChildThatDiesOrHangsGivesNothingAndTheCallerGoesOn) {
    EXPECT_EQ(run_isolated([]() -> std::optional<std::string> { std::abort(); }, 10s),
              std::nullopt);
    EXPECT_EQ(run_isolated(
                  []() -> std::optional<std::string> {
                      for (;;) std::this_thread::sleep_for(1s);
                  },
                  200ms),
              std::nullopt);
    // Leaving early without a result is no result either.
    EXPECT_EQ(run_isolated([]() -> std::optional<std::string> { std::_Exit(0); }, 10s),
              std::nullopt);
}

}  // namespace
}  // namespace vermark::platform
