// Whether the program's standard error is a terminal (for the progress line).
#pragma once

namespace vermark::cli {

bool standard_error_is_terminal();

}  // namespace vermark::cli
