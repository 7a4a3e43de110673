#include "platform/tick.h"

#include <windows.h>

namespace vermark {

std::uint64_t system_tick_milliseconds() {
    // The 64-bit count: GetTickCount() itself wraps after 49.7 days, as its callers expect.
    return ::GetTickCount64();
}

}  // namespace vermark
