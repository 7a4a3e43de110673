#include "platform/c_numbers.h"

#include <locale.h>
#include <stdlib.h>

#include <cerrno>

namespace vermark::platform {
namespace {

_locale_t c_locale() {
    static const _locale_t locale = ::_create_locale(LC_ALL, "C");
    return locale;
}

}  // namespace

double parse_c_double(const std::string& ascii) {
    return ::_strtod_l(ascii.c_str(), nullptr, c_locale());
}

long parse_c_long(const std::string& ascii) {
    return ::_strtol_l(ascii.c_str(), nullptr, 10, c_locale());
}

bool means_disk_full(int error) {
    // The C runtime maps ERROR_DISK_FULL and ERROR_HANDLE_DISK_FULL to ENOSPC; there is no quota
    // error of its own.
    return error == ENOSPC;
}

bool means_sharing_violation(int error) {
    return error == EBUSY;
}

}  // namespace vermark::platform
