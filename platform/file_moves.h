// The file-system calls the update check makes beyond reading and writing whole files:
// times, sizes, moves, copies and folder permissions.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace vermark::platform {

// Last-modification time of a file or folder; empty when it cannot be examined.
std::optional<std::time_t> modification_time(std::u16string_view path);

// Size in bytes of a file; empty when it cannot be examined.
std::optional<std::uint64_t> file_size(std::u16string_view path);

// Renames `from` to `to`; fails when `to` already exists.
bool rename_without_replacing(std::u16string_view from, std::u16string_view to);

// Copies the bytes of `from` to `to`; with `fail_if_exists`, fails when `to` exists.
bool copy_file_bytes(std::u16string_view from, std::u16string_view to, bool fail_if_exists);

// Makes a folder readable, writable and searchable by its owner only (0700).
bool make_folder_private(std::u16string_view path);

// True when the path names a folder itself, not a symbolic link to one, and the folder belongs
// to the user running the program.
bool is_own_real_folder(std::u16string_view path);

// Sets a file's last-modification time (for tests of day boundaries).
bool set_modification_time(std::u16string_view path, std::time_t when);

}  // namespace vermark::platform
