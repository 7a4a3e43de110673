#include "platform/special_folders.h"

#include "platform/env.h"
#include "platform/process.h"

namespace vermark::platform {
namespace {

// The per-user data place of the XDG base directories.
std::u16string user_data_folder() {
    std::u16string data = environment_variable("XDG_DATA_HOME");
    if (!data.empty() && data.front() == u'/') return data;
    const std::u16string home = home_folder();
    if (home.empty()) return {};
    return (home == u"/" ? std::u16string() : home) + u"/.local/share";
}

// Under VERMARK_HOME, the program folders are mirrored inside it so nothing outside is consulted.
std::u16string system_place(std::u16string_view absolute) {
    const std::u16string home = vermark_home();
    return home.empty() ? std::u16string(absolute) : home + std::u16string(absolute);
}

}  // namespace

std::u16string home_folder() {
    std::u16string home = environment_variable("HOME");
    // Without HOME (services, cron) the account's own home; never the current folder.
    if (home.empty() || home.front() != u'/') home = account_home();
    if (home.empty() || home.front() != u'/') return {};
    while (home.size() > 1 && home.back() == u'/') home.pop_back();
    return home;
}

std::u16string special_folder_path(int csidl) {
    switch (csidl & ~CSIDL_FLAG_CREATE) {
        case CSIDL_COMMON_DOCUMENTS: {
            const std::u16string home = vermark_home();
            if (!home.empty()) return home + u"/Documents";
            const std::u16string data = user_data_folder();
            return data.empty() ? data : data + u"/vermark";
        }
        case CSIDL_PROGRAM_FILES:
            return system_place(u"/usr/bin");
        case CSIDL_WINDOWS:
            return system_place(u"/usr/sbin");
        case CSIDL_SYSTEM:
            return system_place(u"/bin");
        default:
            return {};
    }
}

std::u16string system_temp_folder() {
    const std::u16string home = vermark_home();
    if (!home.empty()) return home + u"/tmp/";
    std::u16string folder = environment_variable("TMPDIR");
    if (folder.empty()) folder = u"/tmp";
    if (folder.back() != u'/') folder.push_back(u'/');
    return folder;
}

std::vector<std::u16string> fallback_program_folders() {
    return {system_place(u"/usr/local/bin"), system_place(u"/opt")};
}

}  // namespace vermark::platform
