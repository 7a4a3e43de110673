// Network mounts: where Linux keeps what Windows calls mapped network drives. A path under a
// CIFS/SMB, NFS or SSHFS mount has a network name, written like a UNC name "//server/share/...",
// under which the same file is known however it was reached.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vermark::platform {

struct NetworkMount {
    std::u16string mount_point;   // "/mnt/share"
    std::u16string network_name;  // "//server/share"
};

// The network mounts listed in a mounts table (the format of /proc/self/mounts: source, mount
// point, type, ... with blanks written as octal escapes). Other mounts are left out.
std::vector<NetworkMount> parse_network_mounts(std::string_view mounts_table);

// The network mounts of this process; empty when the table cannot be read.
std::vector<NetworkMount> network_mounts(const std::string& mounts_file = "/proc/self/mounts");

// The network name of `path` when it lies on one of `mounts` (the deepest mount that holds it);
// nullopt for a local path. Only absolute '/' paths can lie on a mount.
std::optional<std::u16string> network_name_of(std::u16string_view path,
                                              const std::vector<NetworkMount>& mounts);

// The same with this process's mounts.
std::optional<std::u16string> network_name_of(std::u16string_view path);

}  // namespace vermark::platform
