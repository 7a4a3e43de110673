#include "platform/clock.h"

#include <time.h>
#include <wchar.h>

namespace vermark::platform {
namespace {

// The conversions the C runtime's strftime knows; '#' is its flag for the short forms.
constexpr std::u16string_view kConversions = u"aAbBcdHIjmMpSUwWxXyYzZ%";

// One conversion ("%Y", "%#d") formatted on its own. The runtime's wide strftime goes through the
// narrow code page, which loses every character outside it, so only the conversion passes
// through it and the rest of the format is copied as it is.
bool append_conversion(std::u16string& out, std::u16string_view conversion, const std::tm& local) {
    const std::wstring format(conversion.begin(), conversion.end());
    wchar_t buffer[128] = {};
    const std::size_t length = ::wcsftime(buffer, std::size(buffer), format.c_str(), &local);
    // An empty result is a failure, except for the few conversions that may be empty (a zone
    // name the system does not know).
    if (length == 0 && conversion.back() != u'Z' && conversion.back() != u'z') return false;
    out.append(buffer, buffer + length);
    return true;
}

}  // namespace

std::u16string format_local_time(std::time_t time, std::u16string_view format, std::size_t limit) {
    std::tm local{};
    if (limit == 0 || time < 0 || ::localtime_s(&local, &time) != 0) return {};
    std::u16string out;
    for (std::size_t i = 0; i < format.size() && out.size() < limit; ++i) {
        if (format[i] != u'%') {
            out.push_back(format[i]);
            continue;
        }
        std::size_t end = i + 1;
        if (end < format.size() && format[end] == u'#') ++end;
        if (end >= format.size() || kConversions.find(format[end]) == std::u16string_view::npos)
            return {};
        if (!append_conversion(out, format.substr(i, end + 1 - i), local)) return {};
        i = end;
    }
    // As strftime: the result and its terminating zero must fit in `limit` characters.
    if (out.empty() || out.size() >= limit) return {};
    return out;
}

}  // namespace vermark::platform
