#include "platform/console.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/wide.h"
#include "platform/windows/win_native.h"

namespace vermark::platform {

bool standard_error_is_terminal() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::vector<std::string> program_arguments(int, char**) {
    int count = 0;
    wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (!words) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(to_utf8(win::from_wide(words[i])));
    ::LocalFree(words);
    return arguments;
}

}  // namespace vermark::platform
