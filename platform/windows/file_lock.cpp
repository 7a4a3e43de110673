#include "platform/file_lock.h"

#include <io.h>

#include <cerrno>
#include <utility>

#include "platform/fs.h"
#include "platform/new_file.h"

#include "platform/windows/win_native.h"

namespace vermark::platform {
namespace {

OpenFailure failure_from_errno(int error) {
    switch (error) {
        case ENOENT:
            return OpenFailure::not_found;
        case EISDIR:
            return OpenFailure::is_folder;
        case ENOTDIR:
            return OpenFailure::not_folder;
        case EBUSY:
            return OpenFailure::sharing_violation;
        case ENAMETOOLONG:
        case EINVAL:
        case EROFS:
            return OpenFailure::other;
        default:
            return OpenFailure::transient;
    }
}

// The sharing modes say who else may hold the file: readers let other readers in (the
// framework's read with deny-write), writers hold it alone.
struct OpenMode {
    DWORD access;
    DWORD share;
    DWORD disposition;
};

OpenMode mode_for(FileAccess access) {
    switch (access) {
        case FileAccess::read:
            return {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING};
        case FileAccess::write_truncate:
            return {GENERIC_WRITE, 0, OPEN_ALWAYS};
        case FileAccess::read_write:
            return {GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS};
    }
    return {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING};
}

}  // namespace

OpenFailure LockedFile::open(const std::u16string& path, FileAccess access) {
    close();
    if (path.empty()) return OpenFailure::not_found;
    const OpenMode mode = mode_for(access);
    const int fd = platform::win::open_descriptor(path, mode.access, mode.share, mode.disposition);
    if (fd < 0) return failure_from_errno(errno);
    // Emptied only once the file is ours alone.
    if (access == FileAccess::write_truncate && ::_chsize_s(fd, 0) != 0) {
        const int error = errno;
        ::_close(fd);
        return failure_from_errno(error);
    }
    fd_ = fd;
    return OpenFailure::none;
}

std::optional<std::uint64_t> LockedFile::size() const {
    LARGE_INTEGER size{};
    if (fd_ < 0 || !::GetFileSizeEx(platform::win::handle_of(fd_), &size)) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::size_t LockedFile::read(void* data, std::size_t size) {
    auto* p = static_cast<char*>(data);
    std::size_t done = 0;
    while (fd_ >= 0 && done < size) {
        const std::size_t left = size - done;
        const int n = ::_read(fd_, p + done, left > (1u << 30) ? (1u << 30) : unsigned(left));
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool LockedFile::write_all(const void* data, std::size_t size) {
    return fd_ >= 0 && write_to_descriptor(fd_, data, size);
}

bool LockedFile::truncate() {
    return fd_ >= 0 && ::_lseeki64(fd_, 0, SEEK_SET) == 0 && ::_chsize_s(fd_, 0) == 0;
}

bool LockedFile::close() {
    if (fd_ < 0) return true;
    const int fd = std::exchange(fd_, -1);
    return close_descriptor(fd);
}

}  // namespace vermark::platform
