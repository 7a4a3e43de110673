#include "platform/clock.h"

#include <time.h>
#include <wchar.h>

#include <vector>

namespace vermark::platform {
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

}  // namespace vermark::platform
