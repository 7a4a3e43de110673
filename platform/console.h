#pragma once

#include <string>
#include <vector>

namespace vermark::platform {

// Whether the standard error stream goes to a terminal (a console window on Windows), where
// progress lines are worth writing.
bool standard_error_is_terminal();

// The program's arguments after its own name, as UTF-8. On Windows they are read in UTF-16 from
// the system, since `argv` there holds only what the ANSI code page can spell.
std::vector<std::string> program_arguments(int argc, char** argv);

}  // namespace vermark::platform
