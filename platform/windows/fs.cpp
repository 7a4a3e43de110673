#include "platform/fs.h"

#include <io.h>

#include <cerrno>
#include <vector>

#include "platform/common/descriptor.h"
#include "platform/windows/win_native.h"

namespace vermark::platform {
namespace {

FileStatus from_attributes(const WIN32_FILE_ATTRIBUTE_DATA& data) {
    FileStatus status;
    status.is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.is_link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    status.read_only = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    status.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.modified = win::unix_time(data.ftLastWriteTime);
    status.mode = data.dwFileAttributes;
    status.owner = 0;
    return status;
}

std::uint64_t descriptor_size(int fd) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(win::handle_of(fd), &size)) return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

bool write_to_descriptor(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const unsigned piece = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
        const int written = ::_write(fd, bytes, piece);
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::optional<FileStatus> file_status(std::u16string_view path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!win::attributes_of(path, data)) return std::nullopt;
    FileStatus status = from_attributes(data);
    status.is_link = false;
    return status;
}

std::optional<FileStatus> link_status(std::u16string_view path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!win::attributes_of(path, data)) return std::nullopt;
    return from_attributes(data);
}

bool can_access(std::u16string_view path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return win::attributes_of(path, data);
}

bool is_shared_folder(const FileStatus&) {
    // Folders here are protected by their access lists, not by mode bits others could widen.
    return false;
}

bool is_own_folder(const FileStatus& entry) {
    return entry.is_folder && !entry.is_link;
}

bool make_private_folder(std::u16string_view path) {
    const std::wstring wide = win::wide_path(path);
    return !wide.empty() && ::CreateDirectoryW(wide.c_str(), nullptr) != 0;
}

bool remove_folder(std::u16string_view path) {
    const std::wstring wide = win::wide_path(path);
    return !wide.empty() && ::RemoveDirectoryW(wide.c_str()) != 0;
}

bool remove_file(std::u16string_view path) {
    const std::wstring wide = win::wide_path(path);
    return !wide.empty() && ::DeleteFileW(wide.c_str()) != 0;
}

bool rename_path(std::u16string_view from, std::u16string_view to) {
    const std::wstring source = win::wide_path(from);
    const std::wstring target = win::wide_path(to);
    if (source.empty() || target.empty()) return false;
    return ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool copy_file_contents(std::u16string_view source, std::u16string_view target) {
    Descriptor in(win::open_descriptor(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       OPEN_EXISTING));
    if (in.get() < 0) return false;
    // Truncating the target would destroy the source when both are the same file.
    BY_HANDLE_FILE_INFORMATION in_info{};
    if (!::GetFileInformationByHandle(win::handle_of(in.get()), &in_info)) return false;
    Descriptor out(win::open_descriptor(target, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS));
    if (out.get() < 0) return false;
    BY_HANDLE_FILE_INFORMATION out_info{};
    if (!::GetFileInformationByHandle(win::handle_of(out.get()), &out_info)) return false;
    if (in_info.dwVolumeSerialNumber == out_info.dwVolumeSerialNumber &&
        in_info.nFileIndexHigh == out_info.nFileIndexHigh &&
        in_info.nFileIndexLow == out_info.nFileIndexLow)
        return false;
    if (::_chsize_s(out.get(), 0) != 0) return false;
    std::vector<std::uint8_t> buffer(1 << 16);
    std::uint64_t copied = 0;
    for (;;) {
        const int got = ::_read(in.get(), buffer.data(), static_cast<unsigned>(buffer.size()));
        if (got < 0) return false;
        if (got == 0) break;
        if (!write_to_descriptor(out.get(), buffer.data(), static_cast<std::size_t>(got)))
            return false;
        copied += static_cast<std::uint64_t>(got);
    }
    return copied == descriptor_size(in.get()) && out.close();
}

std::optional<std::vector<FolderEntry>> read_folder(std::u16string_view path) {
    std::u16string pattern(path);
    if (pattern.empty()) return std::nullopt;
    if (pattern.back() != u'\\' && pattern.back() != u'/') pattern += u'\\';
    pattern += u'*';
    const std::wstring wide = win::wide_path(pattern);
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(wide.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        // An empty folder still lists "." and ".."; no match at all means no folder.
        return std::nullopt;
    }
    std::vector<FolderEntry> entries;
    do {
        FolderEntry item;
        item.name = win::from_wide(found.cFileName);
        item.is_folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                         (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
        entries.push_back(std::move(item));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return entries;
}

AppendFile::~AppendFile() {
    close();
}

int AppendFile::open(std::u16string_view path) {
    close();
    fd_ = win::open_descriptor(path, FILE_APPEND_DATA | GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
    if (fd_ < 0) return errno;
    ::_lseeki64(fd_, 0, SEEK_END);
    return 0;
}

std::uint64_t AppendFile::size() const {
    return fd_ < 0 ? 0 : descriptor_size(fd_);
}

bool AppendFile::write(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0) return false;
    return write_to_descriptor(fd_, bytes.data(), bytes.size());
}

void AppendFile::close() {
    if (fd_ >= 0) ::_close(fd_);
    fd_ = -1;
}

ReadFile::~ReadFile() {
    if (fd_ >= 0) ::_close(fd_);
}

int ReadFile::open(std::u16string_view path) {
    if (path.empty()) return ENOENT;
    // Others may go on reading and writing, as with fopen's default sharing.
    const int fd = win::open_descriptor(path, GENERIC_READ, kShareAll, OPEN_EXISTING);
    if (fd < 0 && errno == EISDIR) {
        // A folder opens and fails its first read, as with fopen and on Linux.
        fd_ = -1;
        error_ = EISDIR;
        return 0;
    }
    if (fd < 0) return errno;
    fd_ = fd;
    error_ = 0;
    return 0;
}

std::size_t ReadFile::read(std::uint8_t* data, std::size_t size) {
    if (fd_ < 0 || error_ != 0) return 0;
    std::size_t total = 0;
    while (total < size) {
        const std::size_t left = size - total;
        const unsigned piece = left > (1u << 30) ? (1u << 30) : static_cast<unsigned>(left);
        const int got = ::_read(fd_, data + total, piece);
        if (got < 0) error_ = errno;
        if (got <= 0) break;
        total += static_cast<std::size_t>(got);
    }
    return total;
}

}  // namespace vermark::platform
