#include "cli/side_by_side.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_report.h"

namespace vermark::cli {
namespace {

// Early pieces finish last, so the two threads complete them out of order; the reports must
// still come one by one, in order, on the calling thread, each piece worked on once.
TEST(SideBySide, ReportsComeInOrderOnTheCallingThreadHoweverTheWorkFinishes) {
    for (std::size_t count : {0u, 1u, 2u, 7u, 64u}) {
        SCOPED_TRACE(count);
        std::vector<std::atomic<int>> calls(count);
        std::vector<FileReport> reports(count);
        std::vector<std::size_t> order;
        const std::thread::id caller = std::this_thread::get_id();
        side_by_side(
            count,
            [&](std::size_t i) {
                ++calls[i];
                std::this_thread::sleep_for(std::chrono::microseconds(50 * ((count - i) % 5)));
                reports[i].path = std::to_string(i);
            },
            [&](std::size_t i) {
                EXPECT_EQ(std::this_thread::get_id(), caller);
                EXPECT_EQ(reports[i].path, std::to_string(i));
                order.push_back(i);
            });
        ASSERT_EQ(order.size(), count);
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(order[i], i);
            EXPECT_EQ(calls[i], 1);
        }
    }
}

}  // namespace
}  // namespace vermark::cli
