#pragma once

// Starting programs with CreateProcessW, shared by the command runner and the launcher.

#include <windows.h>

#include <string>
#include <vector>

namespace vermark::platform::win {

// One argument quoted the way the C runtime's command-line parser reads it back.
std::wstring quote_argument(const std::wstring& argument);

// A command line for the program and its arguments; a .bat or .cmd file runs through cmd.exe.
std::wstring command_line(const std::wstring& program, const std::vector<std::wstring>& args);

// Starts the program hidden, its standard output (and error) going to `output` (or nowhere).
// The process handle is returned for the caller to wait on and close; nullptr when it did not
// start.
HANDLE start_process(const std::wstring& program, const std::vector<std::wstring>& args,
                     HANDLE output, const wchar_t* directory);

}  // namespace vermark::platform::win
