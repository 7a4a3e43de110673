#include "platform/network_drive.h"

#include <windows.h>

#include <winnetwk.h>

#include "platform/windows/win_native.h"

namespace vermark::platform {

std::optional<std::u16string> network_name_of(std::u16string_view path) {
    // A UNC path is its own network name.
    if (path.size() >= 2 && (path[0] == u'\\' || path[0] == u'/') &&
        (path[1] == u'\\' || path[1] == u'/'))
        return std::u16string(path);
    // A drive letter mapped to a share: its remote name with the rest of the path.
    if (path.size() < 2 || path[1] != u':') return std::nullopt;
    const wchar_t drive[3] = {static_cast<wchar_t>(path[0]), L':', L'\0'};
    wchar_t remote[MAX_PATH * 2];
    DWORD size = MAX_PATH * 2;
    if (::WNetGetConnectionW(drive, remote, &size) != NO_ERROR) return std::nullopt;
    std::u16string name = win::from_wide(remote);
    const std::u16string_view rest = path.substr(2);
    if (!rest.empty() && rest.front() != u'\\' && rest.front() != u'/') name += u'\\';
    name += rest;
    return name;
}

}  // namespace vermark::platform
