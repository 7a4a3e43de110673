#include "platform/env.h"

#include <string>

#include "platform/wide.h"
#include "platform/windows/win_native.h"

namespace vermark::platform {

std::u16string environment_variable(std::string_view name) {
    const std::wstring wide_name = win::to_wide(from_utf8(name));
    const DWORD needed = ::GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
    if (needed == 0) return {};
    std::wstring value(needed, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(wide_name.c_str(), value.data(), needed);
    if (length == 0 || length >= needed) return {};
    value.resize(length);
    return win::from_wide(value);
}

std::u16string vermark_home() {
    std::u16string home = environment_variable("VERMARK_HOME");
    // "C:\" keeps its separator: without it the name means the drive's current folder.
    while (home.size() > 3 && (home.back() == u'\\' || home.back() == u'/')) home.pop_back();
    return home;
}

}  // namespace vermark::platform
