#include "cli/terminal.h"

#include <unistd.h>

namespace vermark::cli {

bool standard_error_is_terminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace vermark::cli
