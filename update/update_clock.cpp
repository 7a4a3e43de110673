#include "update/update_clock.h"

#include <cstdio>

#include "diag/log.h"
#include "platform/wide.h"

namespace vermark {
namespace {

std::function<std::time_t()>& clock_override() {
    static std::function<std::time_t()> clock;
    return clock;
}

}  // namespace

std::time_t update_now() {
    const auto& clock = clock_override();
    return clock ? clock() : std::time(nullptr);
}

void set_update_clock(std::function<std::time_t()> clock) {
    clock_override() = std::move(clock);
}

std::u16string format_update_now(std::u16string_view format) {
    return format_time(update_now(), format);
}

void report_line(std::u16string_view text) {
    report_text(std::u16string(text) + u"\n");
}

void report_text(std::u16string_view text) {
    const std::string bytes = to_utf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

}  // namespace vermark
