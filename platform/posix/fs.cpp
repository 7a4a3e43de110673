#include "platform/fs.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/common/descriptor.h"
#include "platform/posix/interrupted.h"
#include "platform/wide.h"

namespace vermark::platform {
namespace {

std::string native(std::u16string_view path) {
    return native_path(path);
}

FileStatus from_stat(const struct stat& info) {
    FileStatus status;
    status.is_folder = S_ISDIR(info.st_mode);
    status.is_link = S_ISLNK(info.st_mode);
    status.read_only = (info.st_mode & S_IWUSR) == 0;
    status.size = static_cast<std::uint64_t>(info.st_size);
    status.modified = info.st_mtime;
    status.mode = info.st_mode;
    status.owner = info.st_uid;
    return status;
}

constexpr off_t kReadAheadWorthAdvising = 1 << 20;

}  // namespace

bool write_to_descriptor(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t written = retry_interrupted([&] { return ::write(fd, bytes, size); });
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::optional<FileStatus> file_status(std::u16string_view path) {
    struct stat info {};
    if (::stat(native(path).c_str(), &info) != 0) return std::nullopt;
    return from_stat(info);
}

std::optional<FileStatus> link_status(std::u16string_view path) {
    struct stat info {};
    if (::lstat(native(path).c_str(), &info) != 0) return std::nullopt;
    return from_stat(info);
}

bool can_access(std::u16string_view path) {
    return ::access(native(path).c_str(), F_OK) == 0;
}

bool is_shared_folder(const FileStatus& folder) {
    return folder.is_folder && (folder.mode & S_IWOTH) != 0;
}

bool is_own_folder(const FileStatus& entry) {
    return entry.is_folder && !entry.is_link && entry.owner == ::geteuid();
}

bool make_private_folder(std::u16string_view path) {
    return ::mkdir(native(path).c_str(), 0700) == 0;
}

bool remove_folder(std::u16string_view path) {
    return ::rmdir(native(path).c_str()) == 0;
}

bool remove_file(std::u16string_view path) {
    return ::unlink(native(path).c_str()) == 0;
}

bool rename_path(std::u16string_view from, std::u16string_view to) {
    return ::rename(native(from).c_str(), native(to).c_str()) == 0;
}

bool copy_file_contents(std::u16string_view source, std::u16string_view target) {
    // Only regular files are copied: a FIFO would block the open or the reads, and a device
    // like /dev/zero would never end.
    Descriptor in(retry_interrupted([&] {
        return ::open(native(source).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    }));
    struct stat in_info {};
    if (in.get() < 0 || ::fstat(in.get(), &in_info) != 0 || !S_ISREG(in_info.st_mode)) return false;
    ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) & ~O_NONBLOCK);
    // Truncating the target would destroy the source when both are the same file.
    struct stat out_info {};
    if (::stat(native(target).c_str(), &out_info) == 0 && out_info.st_dev == in_info.st_dev &&
        out_info.st_ino == in_info.st_ino)
        return false;
    // Nor is anything but a regular file written: a FIFO without a reader would block the open.
    Descriptor out(retry_interrupted([&] {
        return ::open(native(target).c_str(),
                      O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY,
                      in_info.st_mode & 07777);
    }));
    if (out.get() < 0 || ::fstat(out.get(), &out_info) != 0 || !S_ISREG(out_info.st_mode) ||
        ::ftruncate(out.get(), 0) != 0)
        return false;
    ::fcntl(out.get(), F_SETFL, ::fcntl(out.get(), F_GETFL) & ~O_NONBLOCK);
    std::vector<std::uint8_t> buffer(1 << 16);
    std::uint64_t copied = 0;
    for (;;) {
        const ssize_t got =
            retry_interrupted([&] { return ::read(in.get(), buffer.data(), buffer.size()); });
        if (got < 0) return false;
        if (got == 0) break;
        if (!write_to_descriptor(out.get(), buffer.data(), static_cast<std::size_t>(got)))
            return false;
        copied += static_cast<std::uint64_t>(got);
    }
    return copied == static_cast<std::uint64_t>(in_info.st_size) && out.close();
}

std::optional<std::vector<FolderEntry>> read_folder(std::u16string_view path) {
    DIR* folder = ::opendir(native(path).c_str());
    if (folder == nullptr) return std::nullopt;
    std::vector<FolderEntry> entries;
    const int folder_fd = ::dirfd(folder);
    while (const dirent* entry = ::readdir(folder)) {
        FolderEntry item;
        item.name = from_utf8(entry->d_name);
        if (entry->d_type == DT_DIR) {
            item.is_folder = true;
        } else if (entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            item.is_folder = ::fstatat(folder_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                             S_ISDIR(info.st_mode);
        }
        entries.push_back(std::move(item));
    }
    ::closedir(folder);
    return entries;
}

AppendFile::~AppendFile() {
    close();
}

int AppendFile::open(std::u16string_view path) {
    close();
    // Non-blocking so that a FIFO in the file's place cannot hang the open; cleared afterwards.
    fd_ = retry_interrupted([&] {
        return ::open(native(path).c_str(),
                      O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    });
    if (fd_ < 0) return errno;
    struct stat info {};
    // "ab" on a folder fails on Windows; open(O_WRONLY) already refuses folders here.
    if (::fstat(fd_, &info) == 0 && !S_ISREG(info.st_mode) && !S_ISCHR(info.st_mode)) {
        close();
        return EISDIR;
    }
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    return 0;
}

std::uint64_t AppendFile::size() const {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) return 0;
    return static_cast<std::uint64_t>(info.st_size);
}

bool AppendFile::write(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0) return false;
    return write_to_descriptor(fd_, bytes.data(), bytes.size());
}

void AppendFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

ReadFile::~ReadFile() {
    if (fd_ >= 0) ::close(fd_);
}

int ReadFile::open(std::u16string_view path) {
    if (path.empty()) return ENOENT;
    const int fd = retry_interrupted(
        [&] { return ::open(native(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY); });
    if (fd < 0) return errno;
    struct stat info {};
    int refused = 0;
    if (::fstat(fd, &info) != 0)
        refused = errno;
    else if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        refused = EINVAL;  // a folder opens and fails its first read, as with fopen
    if (refused != 0) {
        ::close(fd);
        return refused;
    }
    // Regular files ignore O_NONBLOCK; a small file is read whole before read-ahead matters.
    if (!S_ISREG(info.st_mode)) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (info.st_size > kReadAheadWorthAdvising) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    fd_ = fd;
    error_ = 0;
    regular_ = S_ISREG(info.st_mode);
    ended_ = false;
    return 0;
}

std::size_t ReadFile::read(std::uint8_t* data, std::size_t size) {
    if (fd_ < 0 || error_ != 0 || ended_) return 0;
    std::size_t total = 0;
    while (total < size) {
        const ssize_t got =
            retry_interrupted([&] { return ::read(fd_, data + total, size - total); });
        if (got < 0) error_ = errno;
        if (got <= 0) break;
        total += static_cast<std::size_t>(got);
        // A short read of a regular file is its end: asking again, now or at the next call,
        // would only return 0. (A drawing is read as it was then, as cp copies it.)
        if (regular_ && total < size) {
            ended_ = true;
            break;
        }
    }
    return total;
}

}  // namespace vermark::platform
