// Facts about the running process.
#pragma once

#include <string>

namespace vermark::platform {

// Full path of the running executable (from /proc/self/exe); empty when unknown.
std::u16string executable_path();

// The account name of the effective user; empty when the system has no entry for it.
std::u16string account_name();

// The home folder recorded for the effective user; empty when the system has no entry for it.
std::u16string account_home();

// The current working folder; empty when it cannot be read.
std::u16string current_directory();

}  // namespace vermark::platform
