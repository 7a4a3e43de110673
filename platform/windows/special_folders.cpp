#include "platform/special_folders.h"

#include <windows.h>

#include <shlobj.h>

#include "platform/env.h"
#include "platform/process.h"
#include "platform/windows/win_native.h"

namespace vermark::platform {
namespace {

std::u16string shell_folder(int csidl) {
    wchar_t path[MAX_PATH];
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return win::from_wide(path);
}

// Under VERMARK_HOME the system folders are mirrored inside it, so nothing outside is consulted.
std::u16string system_place(int csidl, std::u16string_view mirror) {
    const std::u16string home = vermark_home();
    if (!home.empty()) return home + u"\\" + std::u16string(mirror);
    return shell_folder(csidl);
}

}  // namespace

std::u16string home_folder() {
    const std::u16string home = vermark_home();
    if (!home.empty()) return home;
    std::u16string profile = environment_variable("USERPROFILE");
    if (profile.empty()) profile = account_home();
    while (profile.size() > 3 && (profile.back() == u'\\' || profile.back() == u'/'))
        profile.pop_back();
    return profile;
}

std::u16string special_folder_path(int csidl) {
    switch (csidl & ~CSIDL_FLAG_CREATE) {
        case CSIDL_COMMON_DOCUMENTS: {
            const std::u16string home = vermark_home();
            if (!home.empty()) return home + u"\\Documents";
            return shell_folder(csidl);
        }
        case CSIDL_PROGRAM_FILES:
            return system_place(csidl, u"Program Files");
        case CSIDL_WINDOWS:
            return system_place(csidl, u"Windows");
        case CSIDL_SYSTEM:
            return system_place(csidl, u"Windows\\System32");
        default:
            return {};
    }
}

std::u16string system_temp_folder() {
    const std::u16string home = vermark_home();
    if (!home.empty()) return home + u"\\tmp\\";
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) return {};
    std::u16string folder = win::from_wide(std::wstring_view(buffer, length));
    if (folder.back() != u'\\') folder.push_back(u'\\');
    return folder;
}

std::vector<std::u16string> fallback_program_folders() {
    return {system_place(CSIDL_PROGRAM_FILESX86, u"Program Files (x86)"),
            system_place(CSIDL_PROGRAM_FILES_COMMON, u"Program Files\\Common Files")};
}

}  // namespace vermark::platform
