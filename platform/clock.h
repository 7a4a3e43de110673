// Wall-clock time with a seam for tests, and local-time formatting.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace vermark::platform {

// The current time (seconds since the epoch), or the test source's when one is set.
std::time_t current_time();

// Tests: replace the clock; an empty function restores the system clock.
void set_time_source(std::function<std::time_t()> source);

// Local time of `time` formatted with the C library's wide strftime into a buffer of
// `limit` characters (terminating zero included); empty on failure or an empty/too long result.
std::u16string format_local_time(std::time_t time, std::u16string_view format, std::size_t limit);

// Sleeps the calling thread.
void sleep_milliseconds(int milliseconds);

}  // namespace vermark::platform
