#include "platform/clock.h"

#include <time.h>
#include <wchar.h>

#include <vector>

namespace vermark::platform {
namespace {

// wchar_t is UTF-32 here; time formats and results are converted unit by unit.
std::wstring to_wchar(std::u16string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        out.push_back(static_cast<wchar_t>(c));
    }
    return out;
}

std::u16string from_wchar(std::wstring_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (wchar_t w : text) {
        auto c = static_cast<char32_t>(w);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

}  // namespace

std::u16string format_local_time(std::time_t time, std::u16string_view format, std::size_t limit) {
    std::tm local{};
    if (limit == 0 || ::localtime_r(&time, &local) == nullptr) return {};
    std::vector<wchar_t> buffer(limit + 1);
    const std::wstring wide_format = to_wchar(format);
    const std::size_t length = ::wcsftime(buffer.data(), limit, wide_format.c_str(), &local);
    if (length == 0) return {};
    return from_wchar(std::wstring_view(buffer.data(), length));
}

}  // namespace vermark::platform
