// The program's one diagnostic channel: hourly UTF-16 log files under
// <common documents>/Temp/Temp/DbgDump/WC, named by local time "%m%d_%H.txt". Every call writes;
// a line that cannot be written is silently lost. Logs older than 10 days are removed at the exit
// of a run that logged.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vermark {

// Appends "time \t program \t message \r\n" (CR and LF in the message become tabs) to the current
// hour's log. Never throws; callers may ignore the result.
bool log_line(std::u16string_view message);

// Appends bytes to the current hour's log file, writing the mark FF FE and the header line first
// into a new file. True when written.
bool append_log_bytes(std::span<const std::uint8_t> bytes);

// Text as UTF-16 little-endian bytes, no mark (the form log lines are written in).
std::vector<std::uint8_t> utf16le_bytes(std::u16string_view text);

// Every CR becomes replacement[0], every LF the rest of `replacement`.
std::u16string replace_line_breaks(std::u16string_view text, std::u16string_view replacement);

// The current time through format_time.
std::u16string format_now(std::u16string_view format);

// Local time of `time` formatted by the C library (strftime conversions); empty when the time
// cannot be converted or the result is empty or longer than 254 characters.
std::u16string format_time(std::time_t time, std::u16string_view format);

// The folder the current hour's log goes into, with a trailing separator (not created here).
std::u16string log_folder();

// Tests: start over as if the run had not logged yet (the old-log purge happens again).
void reset_log_run_for_testing();

}  // namespace vermark
