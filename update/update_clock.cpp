#include "update/update_clock.h"

#include <cstdio>

#include "diag/log.h"
#include "platform/clock.h"
#include "platform/wide.h"

namespace vermark {

std::time_t update_now() {
    return platform::current_time();
}

void set_update_clock(std::function<std::time_t()> clock) {
    platform::set_time_source(std::move(clock));
}

std::u16string format_update_now(std::u16string_view format) {
    return format_time(update_now(), format);
}

void report_line(std::u16string_view text) {
    report_text(std::u16string(text) + u"\n");
}

void report_text(std::u16string_view text) {
    const std::string bytes = platform::to_utf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

}  // namespace vermark
