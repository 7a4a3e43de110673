// The clock and the standard-error channel of the update check. The clock is the program's one
// clock (platform/clock.h); tests replace it to try day boundaries without waiting for midnight.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace vermark {

// The current time, or the replacement's answer.
std::time_t update_now();

// Replaces the program's clock (as platform::set_time_source); an empty function returns to the
// system clock.
void set_update_clock(std::function<std::time_t()> clock);

// The current (possibly replaced) time formatted as local time with strftime conversions.
std::u16string format_update_now(std::u16string_view format);

// One line on the standard error stream: the text in UTF-8 and a line feed.
void report_line(std::u16string_view text);

// The text on the standard error stream as it is (UTF-8), for texts that end their own lines.
void report_text(std::u16string_view text);

}  // namespace vermark
