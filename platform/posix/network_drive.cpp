// Network names of paths on network mounts, from the kernel's mount table.
#include "platform/network_drive.h"

#include <array>
#include <fstream>
#include <sstream>

#include "platform/wide.h"

namespace vermark::platform {
namespace {

constexpr std::array<std::string_view, 3> kSmbTypes = {"cifs", "smb3", "smbfs"};
constexpr std::array<std::string_view, 2> kNfsTypes = {"nfs", "nfs4"};
constexpr std::string_view kSshfsType = "fuse.sshfs";

template <std::size_t N>
bool one_of(std::string_view type, const std::array<std::string_view, N>& types) {
    for (std::string_view t : types) {
        if (t == type) return true;
    }
    return false;
}

// The table writes blank, tab, newline and backslash as "\040", "\011", "\012", "\134".
std::string unescape(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
            field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::string without_trailing_slash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// "server:/export/dir" (NFS) or "user@server:dir" (SSHFS) as "//server/export/dir".
std::optional<std::string> host_path_name(const std::string& source) {
    const std::size_t colon = source.find(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    std::string host = source.substr(0, colon);
    if (const std::size_t at = host.rfind('@'); at != std::string::npos) host.erase(0, at + 1);
    std::string rest = source.substr(colon + 1);
    while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    if (host.empty()) return std::nullopt;
    return without_trailing_slash("//" + host + "/" + rest);
}

std::optional<std::string> network_name_for(const std::string& source, std::string_view type) {
    if (one_of(type, kSmbTypes)) {
        // "//server/share", sometimes written with backslashes.
        std::string name = source;
        for (char& c : name) {
            if (c == '\\') c = '/';
        }
        if (name.rfind("//", 0) != 0 || name.size() <= 2) return std::nullopt;
        return without_trailing_slash(name);
    }
    if (one_of(type, kNfsTypes) || type == kSshfsType) return host_path_name(source);
    return std::nullopt;
}

// True when `path` is `folder` or lies below it.
bool lies_under(std::u16string_view path, std::u16string_view folder) {
    if (folder == u"/") return !path.empty() && path.front() == u'/';
    return path.substr(0, folder.size()) == folder &&
           (path.size() == folder.size() || path[folder.size()] == u'/');
}

}  // namespace

std::vector<NetworkMount> parse_network_mounts(std::string_view table) {
    std::vector<NetworkMount> mounts;
    std::istringstream lines{std::string(table)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string source, mount_point, type;
        if (!(fields >> source >> mount_point >> type)) continue;
        const std::optional<std::string> name = network_name_for(unescape(source), type);
        if (!name) continue;
        mounts.push_back(
            {from_utf8(without_trailing_slash(unescape(mount_point))), from_utf8(*name)});
    }
    return mounts;
}

std::vector<NetworkMount> network_mounts(const std::string& mounts_file) {
    std::ifstream file(mounts_file);
    if (!file) return {};
    std::ostringstream table;
    table << file.rdbuf();
    return parse_network_mounts(table.str());
}

std::optional<std::u16string> network_name_of(std::u16string_view path,
                                              const std::vector<NetworkMount>& mounts) {
    // Of two mounts on the same point the later one hides the earlier, as in the table.
    const NetworkMount* deepest = nullptr;
    for (const NetworkMount& mount : mounts) {
        if (lies_under(path, mount.mount_point) &&
            (deepest == nullptr || mount.mount_point.size() >= deepest->mount_point.size())) {
            deepest = &mount;
        }
    }
    if (deepest == nullptr) return std::nullopt;
    const std::u16string_view rest =
        deepest->mount_point == u"/" ? path : path.substr(deepest->mount_point.size());
    std::u16string name = deepest->network_name;
    if (!rest.empty() && rest.front() != u'/') name += u'/';
    name += rest;
    return name;
}

std::optional<std::u16string> network_name_of(std::u16string_view path) {
    return network_name_of(path, network_mounts());
}

}  // namespace vermark::platform
