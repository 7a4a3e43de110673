// The platform's millisecond tick count: time since an arbitrary start on a monotonic clock,
// wrapping at 2^32 like GetTickCount. Tests move it forward instead of waiting.
#pragma once

#include <cstdint>

namespace vermark::platform {

std::uint32_t GetTickCount();

// Test seam: every later reading is shifted by `milliseconds` more (negative moves it back).
void advance_tick_count(std::int64_t milliseconds);
// Removes every shift made by advance_tick_count.
void reset_tick_count_shift();

}  // namespace vermark::platform
