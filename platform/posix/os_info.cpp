#include "platform/os_info.h"

#include <sys/utsname.h>

#include <string_view>

namespace vermark::platform {
namespace {

bool machine_is_64bit(std::string_view machine) {
    for (std::string_view name : {"x86_64", "aarch64", "ppc64", "ppc64le", "s390x", "riscv64",
                                  "mips64", "loongarch64", "sparc64"})
        if (machine == name) return true;
    return false;
}

}  // namespace

std::string kernel_release() {
    utsname names{};
    if (::uname(&names) != 0) return {};
    return names.release;
}

bool is_32bit_process_on_64bit_system() {
    if constexpr (sizeof(void*) >= 8) return false;
    utsname names{};
    return ::uname(&names) == 0 && machine_is_64bit(names.machine);
}

}  // namespace vermark::platform
