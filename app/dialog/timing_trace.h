// Milestones of the dialog's life for bench/dialog-timing: with VERMARK_TRACE_TIMING set in the
// environment, each goes to the standard error stream as "vermark-timing <epoch ms> <event>".
#pragma once

#include <string_view>

namespace vermark {

bool timing_trace_enabled();
void trace_timing(std::string_view event);

}  // namespace vermark
