#include "platform/process.h"

#include <limits.h>
#include <pwd.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/wide.h"

namespace vermark::platform {

std::u16string executable_path() {
    // The executable does not move while the program runs: read the link once.
    static const std::u16string path = [] {
        std::vector<char> buffer(PATH_MAX + 1);
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
        if (length <= 0) return std::u16string();
        return from_utf8(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
    }();
    return path;
}

namespace {

// One field of the effective user's password entry; empty when there is no entry.
template <typename Field>
std::u16string account_field(Field field) {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    const char* value = field(*found);
    return value ? from_utf8(value) : std::u16string();
}

}  // namespace

std::u16string account_name() {
    return account_field([](const passwd& entry) { return entry.pw_name; });
}

std::u16string account_home() {
    return account_field([](const passwd& entry) { return entry.pw_dir; });
}

std::u16string current_directory() {
    std::vector<char> buffer(PATH_MAX + 1);
    if (::getcwd(buffer.data(), buffer.size()) == nullptr) return {};
    return from_utf8(buffer.data());
}

}  // namespace vermark::platform
