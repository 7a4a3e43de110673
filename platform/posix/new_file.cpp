#include "platform/new_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/wide.h"

namespace vermark::platform {

int open_for_writing(std::u16string_view path, bool exclusive) {
    const std::string native = native_path(path);
    if (native.empty()) {
        errno = EINVAL;
        return -1;
    }
    const int mode = exclusive ? O_CREAT | O_EXCL : O_CREAT | O_TRUNC;
    int fd = -1;
    do {
        fd = ::open(native.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | mode, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool close_descriptor(int fd) {
    return ::close(fd) == 0;
}

void withhold_permissions_missing_from(std::u16string_view path, std::u16string_view model) {
    struct stat model_info {};
    if (::stat(native_path(model).c_str(), &model_info) != 0) return;
    struct stat info {};
    const std::string native = native_path(path);
    if (::stat(native.c_str(), &info) != 0) return;
    // Only what others may do is narrowed: the owner keeps the usual rights.
    const mode_t others = S_IRWXG | S_IRWXO;
    const mode_t missing = others & ~model_info.st_mode;
    ::chmod(native.c_str(), info.st_mode & 07777 & ~missing);
}

bool replace_with(std::u16string_view from, std::u16string_view to) {
    return ::rename(native_path(from).c_str(), native_path(to).c_str()) == 0;
}

bool same_file(std::u16string_view a, std::u16string_view b) {
    struct stat first {
    }, second{};
    // `b` first: callers pass the name that is usually not there yet (a copy before its first
    // writing), which settles it in one call.
    return ::stat(native_path(b).c_str(), &second) == 0 &&
           ::stat(native_path(a).c_str(), &first) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

}  // namespace vermark::platform
