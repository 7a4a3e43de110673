// What the running system says about itself, for the update check's agent text.
#pragma once

#include <string>

namespace vermark::platform {

// The kernel's release text as uname reports it, for example "6.1.0-18-amd64"; empty when
// unknown.
std::string kernel_release();

// True when this process runs 32-bit code on a 64-bit kernel.
bool is_32bit_process_on_64bit_system();

}  // namespace vermark::platform
