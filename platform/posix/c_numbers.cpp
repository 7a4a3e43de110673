#include "platform/c_numbers.h"

#include <locale.h>
#include <stdlib.h>

#include <cerrno>

namespace vermark::platform {
namespace {

locale_t c_locale() {
    static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

double parse_c_double(const std::string& ascii) {
    return ::strtod_l(ascii.c_str(), nullptr, c_locale());
}

long parse_c_long(const std::string& ascii) {
    return ::strtol_l(ascii.c_str(), nullptr, 10, c_locale());
}

bool means_disk_full(int error) {
    return error == ENOSPC || error == EDQUOT;
}

bool means_sharing_violation(int) {
    // Linux has no sharing modes: locks are advisory and never refuse an open.
    return false;
}

}  // namespace vermark::platform
