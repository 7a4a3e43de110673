#pragma once

#include <string>

namespace vermark::platform {

// strtod and strtol in the "C" locale: the program may run under a locale whose decimal mark is
// a comma. The text is read as far as it forms a number; nothing readable gives 0.
double parse_c_double(const std::string& ascii);
long parse_c_long(const std::string& ascii);

// Whether a C runtime error number says the disk (or the user's quota) is full.
bool means_disk_full(int error);

// Whether a C runtime error number says another program holds the file in a way that excludes
// this open (Windows sharing modes); such a hold passes, so an open is worth retrying.
bool means_sharing_violation(int error);

}  // namespace vermark::platform
