// Any bytes through the shell-link parser: no crash, no undefined behaviour, no read past the
// buffer (the sanitizers watch), and whatever it accepts holds only fields it found in the bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/shell_link.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (const auto paths = vermark::platform::parse_shell_link(bytes)) {
        // Each text field is stored in the bytes (one or two bytes a character).
        const std::size_t longest =
            std::max({paths->relative_path.size(), paths->working_dir.size(),
                      paths->local_base_path.size(), paths->common_path_suffix.size()});
        if (longest > size) std::abort();
    }
    return 0;
}
