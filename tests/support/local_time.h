// Moments of the local calendar for tests that set the clock.
#pragma once

#include <ctime>

namespace vermark::testing {

// The local time of that calendar day and clock time (month 1 to 12), daylight saving as the
// system has it then.
std::time_t local_time(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

}  // namespace vermark::testing
