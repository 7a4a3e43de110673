#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace vermark::platform {
namespace {

std::function<std::time_t()>& time_source() {
    static std::function<std::time_t()> source;
    return source;
}

}  // namespace

std::time_t current_time() {
    const auto& source = time_source();
    return source ? source() : std::time(nullptr);
}

void set_time_source(std::function<std::time_t()> source) {
    time_source() = std::move(source);
}

void sleep_milliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace vermark::platform
