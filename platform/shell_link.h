// Windows shell links (".lnk" shortcuts) read from their file format, so a shortcut copied over
// from a Windows machine, or made by a tool here, leads to its target; and the long form of a
// path (the stand-in for GetLongPathNameW): absolute, with symbolic links followed.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vermark::platform {

// The location fields of a shell link, as stored (Windows separators, no resolution).
struct ShellLinkPaths {
    std::u16string relative_path;  // relative to the shortcut's own folder
    std::u16string working_dir;
    std::u16string local_base_path;     // LinkInfo: full local path, or its base part
    std::u16string common_path_suffix;  // LinkInfo: appended to the base part
};

// Parses a shell link's bytes. Empty when they are not a shell link or a field runs past the
// end; every offset and length is checked against the buffer.
std::optional<ShellLinkPaths> parse_shell_link(std::span<const std::uint8_t> bytes);

// The target of the shortcut file `link_path` on this system: its relative path resolved against
// the shortcut's folder when that exists, else its local path when that exists. Empty when the
// file is unreadable, not a shell link, or its target does not exist (a broken shortcut).
std::u16string shell_link_target(const std::u16string& link_path);

// The long form of an existing path: absolute, "." and ".." removed, symbolic links followed.
// Empty when the path does not exist (as GetLongPathNameW fails).
std::u16string long_path_name(const std::u16string& path);

// True when `path` names a symbolic link (whether or not its target exists).
bool is_symbolic_link(const std::u16string& path);

}  // namespace vermark::platform
