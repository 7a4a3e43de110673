#include "platform/tick.h"

#include <atomic>
#include <chrono>

namespace vermark::platform {

namespace {

std::atomic<std::int64_t> shift_ms{0};

}  // namespace

std::uint32_t GetTickCount() {
    const auto since_start = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms + shift_ms.load()));
}

void advance_tick_count(std::int64_t milliseconds) {
    shift_ms += milliseconds;
}

void reset_tick_count_shift() {
    shift_ms = 0;
}

}  // namespace vermark::platform
