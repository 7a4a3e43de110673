#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/fs.h"
#include "platform/new_file.h"

#include "platform/wide.h"

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
        // Nothing about these changes by waiting.
        case ENAMETOOLONG:
        case ELOOP:
        case EROFS:
        case EINVAL:
        case ENXIO:
        case ENODEV:
        case EOVERFLOW:
        case EFBIG:
        case EILSEQ:
            return OpenFailure::other;
        default:
            return OpenFailure::transient;
    }
}

int open_flags(FileAccess access) {
    // Non-blocking so that a FIFO without a writer cannot hang the open; cleared afterwards.
    const int common = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    switch (access) {
        case FileAccess::read:
            return common | O_RDONLY;
        case FileAccess::write_truncate:
            return common | O_WRONLY | O_CREAT;
        case FileAccess::read_write:
            return common | O_RDWR | O_CREAT;
    }
    return common | O_RDONLY;
}

int close_keeping_errno(int fd, int error) {
    ::close(fd);
    return error;
}

}  // namespace

OpenFailure LockedFile::open(const std::u16string& path, FileAccess access) {
    close();
    if (path.empty()) return OpenFailure::not_found;
    const std::string native = native_path(path);
    const int fd = ::open(native.c_str(), open_flags(access), 0666);
    if (fd < 0) return failure_from_errno(errno);

    struct stat st {};
    if (::fstat(fd, &st) != 0) return failure_from_errno(close_keeping_errno(fd, errno));
    if (S_ISDIR(st.st_mode)) return failure_from_errno(close_keeping_errno(fd, EISDIR));

    // Readers share, writers hold the file alone; a conflicting holder is a sharing violation.
    const int lock = access == FileAccess::read ? LOCK_SH : LOCK_EX;
    if (::flock(fd, lock | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            ::close(fd);
            return OpenFailure::sharing_violation;
        }
        // Where the file system has no locks (ENOLCK, EINVAL) go on without one.
        if (error == EINTR) return failure_from_errno(close_keeping_errno(fd, error));
    }
    // Emptied only once the lock is ours; devices are not truncated (as O_TRUNC ignores them).
    if (access == FileAccess::write_truncate && S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0) {
        return failure_from_errno(close_keeping_errno(fd, errno));
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    fd_ = fd;
    return OpenFailure::none;
}

std::optional<std::uint64_t> LockedFile::size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t LockedFile::read(void* data, std::size_t size) {
    auto* p = static_cast<char*>(data);
    std::size_t done = 0;
    while (fd_ >= 0 && done < size) {
        const ssize_t n = ::read(fd_, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool LockedFile::write_all(const void* data, std::size_t size) {
    return fd_ >= 0 && write_to_descriptor(fd_, data, size);
}

bool LockedFile::truncate() {
    return fd_ >= 0 && ::ftruncate(fd_, 0) == 0;
}

bool LockedFile::close() {
    if (fd_ < 0) return true;
    const int fd = std::exchange(fd_, -1);
    return close_descriptor(fd);  // closing also releases the lock
}

}  // namespace vermark::platform
