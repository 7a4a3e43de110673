#include "platform/file_moves.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/wide.h"

namespace vermark::platform {
namespace fs = std::filesystem;

namespace {

std::optional<struct stat> status_of(std::u16string_view path) {
    struct stat info {};
    if (::stat(native_path(path).c_str(), &info) != 0) return std::nullopt;
    return info;
}

}  // namespace

std::optional<std::time_t> modification_time(std::u16string_view path) {
    const auto info = status_of(path);
    if (!info) return std::nullopt;
    return info->st_mtime;
}

std::optional<std::uint64_t> file_size(std::u16string_view path) {
    const auto info = status_of(path);
    if (!info) return std::nullopt;
    return static_cast<std::uint64_t>(info->st_size);
}

bool rename_without_replacing(std::u16string_view from, std::u16string_view to) {
    const std::string source = native_path(from);
    const std::string target = native_path(to);
    // renameat2 with RENAME_NOREPLACE is not available on every file system; a hard link
    // fails when the target exists and is followed by the removal of the source.
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EEXIST) return false;
    if (::link(source.c_str(), target.c_str()) != 0) return false;
    return ::unlink(source.c_str()) == 0;
}

bool copy_file_bytes(std::u16string_view from, std::u16string_view to, bool fail_if_exists) {
    std::error_code error;
    const auto option =
        fail_if_exists ? fs::copy_options::none : fs::copy_options::overwrite_existing;
    return fs::copy_file(fs::path(native_path(from)), fs::path(native_path(to)), option, error) &&
           !error;
}

bool make_folder_private(std::u16string_view path) {
    return ::chmod(native_path(path).c_str(), S_IRWXU) == 0;
}

bool is_own_real_folder(std::u16string_view path) {
    // A trailing "/" would make lstat follow a link, so it is left off.
    while (path.size() > 1 && path.back() == u'/') path.remove_suffix(1);
    struct stat info {};
    if (::lstat(native_path(path).c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
}

bool set_modification_time(std::u16string_view path, std::time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    return ::utimensat(AT_FDCWD, native_path(path).c_str(), times, 0) == 0;
}

}  // namespace vermark::platform
