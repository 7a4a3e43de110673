#include "platform/console.h"

#include <unistd.h>

namespace vermark::platform {

bool standard_error_is_terminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

std::vector<std::string> program_arguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

}  // namespace vermark::platform
