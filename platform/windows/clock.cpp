#include "platform/clock.h"

#include <time.h>
#include <wchar.h>

#include <chrono>
#include <thread>
#include <vector>

namespace vermark::platform {
namespace {

std::function<std::time_t()>& time_source() {
    static std::function<std::time_t()> source;
    return source;
}

}  // namespace

std::time_t current_time() {
    const auto& source = time_source();
    return source ? source() : ::time(nullptr);
}

void set_time_source(std::function<std::time_t()> source) {
    time_source() = std::move(source);
}

std::u16string format_local_time(std::time_t time, std::u16string_view format, std::size_t limit) {
    std::tm local{};
    if (limit == 0 || time < 0 || ::localtime_s(&local, &time) != 0) return {};
    // wchar_t is UTF-16 here, as the text is.
    std::vector<wchar_t> buffer(limit + 1);
    const std::wstring wide_format(format.begin(), format.end());
    const std::size_t length = ::wcsftime(buffer.data(), limit, wide_format.c_str(), &local);
    if (length == 0) return {};
    return std::u16string(buffer.data(), buffer.data() + length);
}

void sleep_milliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace vermark::platform
