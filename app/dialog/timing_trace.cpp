#include "app/dialog/timing_trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace vermark {

bool timing_trace_enabled() {
    static const bool enabled = std::getenv("VERMARK_TRACE_TIMING") != nullptr;
    return enabled;
}

void trace_timing(std::string_view event) {
    if (!timing_trace_enabled()) return;
    // Wall-clock time, so that the measuring script can compare it with its own start.
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    std::fprintf(stderr, "vermark-timing %lld %.*s\n", ms, int(event.size()), event.data());
    std::fflush(stderr);
}

}  // namespace vermark
