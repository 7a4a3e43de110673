// Windows versions of the platform functions that inspection, stamping, the drawing reader and
// the path helpers call, for the dialog's build while the Windows core is missing. Files are
// opened through the C runtime's wide-path descriptors, which the core's classes hold.
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "app/win32/win32_text.h"
#include "diag/log.h"
#include "platform/codepage.h"
#include "platform/file_lock.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/version_resource_store.h"

namespace vermark {
namespace {

std::wstring wide_path(std::u16string_view path) {
    return std::wstring(reinterpret_cast<const wchar_t*>(path.data()), path.size());
}

OpenFailure failure_from_errno(int error) {
    switch (error) {
        case ENOENT:
            return OpenFailure::not_found;
        case EISDIR:
            return OpenFailure::is_folder;
        case ENOTDIR:
            return OpenFailure::not_folder;
        case EACCES:
        case EBUSY:
            return OpenFailure::sharing_violation;
        default:
            return OpenFailure::other;
    }
}

int open_flags(FileAccess access) {
    switch (access) {
        case FileAccess::read:
            return _O_RDONLY | _O_BINARY | _O_NOINHERIT;
        case FileAccess::write_truncate:
            return _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT;
        case FileAccess::read_write:
            return _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT;
    }
    return _O_RDONLY | _O_BINARY;
}

bool is_folder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::size_t read_all(int fd, std::uint8_t* data, std::size_t size, int* error) {
    std::size_t total = 0;
    while (total < size) {
        const unsigned chunk = unsigned(std::min<std::size_t>(size - total, 1u << 30));
        const int got = _read(fd, data + total, chunk);
        if (got < 0 && error) *error = errno;
        if (got <= 0) break;
        total += std::size_t(got);
    }
    return total;
}

}  // namespace

bool may_pass(OpenFailure failure) {
    return failure == OpenFailure::sharing_violation || failure == OpenFailure::transient;
}

OpenRetryPolicy& open_retry_policy() {
    static OpenRetryPolicy policy;
    return policy;
}

LockedFile::~LockedFile() {
    close();
}

LockedFile::LockedFile(LockedFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

OpenFailure LockedFile::open(const std::u16string& path, FileAccess access) {
    close();
    const std::wstring native = wide_path(path);
    if (path.empty()) return OpenFailure::not_found;
    if (is_folder(native)) return OpenFailure::is_folder;
    const int share = access == FileAccess::read ? _SH_DENYWR : _SH_DENYRW;
    const int fd = _wsopen(native.c_str(), open_flags(access), share, _S_IREAD | _S_IWRITE);
    if (fd < 0) return failure_from_errno(errno);
    fd_ = fd;
    return OpenFailure::none;
}

std::optional<std::uint64_t> LockedFile::size() const {
    if (fd_ < 0) return std::nullopt;
    const __int64 length = _filelengthi64(fd_);
    if (length < 0) return std::nullopt;
    return std::uint64_t(length);
}

std::size_t LockedFile::read(void* data, std::size_t size) {
    if (fd_ < 0) return 0;
    return read_all(fd_, static_cast<std::uint8_t*>(data), size, nullptr);
}

bool LockedFile::write_all(const void* data, std::size_t size) {
    if (fd_ < 0) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const unsigned chunk = unsigned(std::min<std::size_t>(size, 1u << 30));
        const int put = _write(fd_, bytes, chunk);
        if (put <= 0) return false;
        bytes += put;
        size -= std::size_t(put);
    }
    return true;
}

bool LockedFile::truncate() {
    return fd_ >= 0 && _chsize_s(fd_, 0) == 0;
}

bool LockedFile::close() {
    if (fd_ < 0) return true;
    const bool closed = _close(fd_) == 0;
    fd_ = -1;
    return closed;
}

std::u16string multibyte_to_wide(unsigned code_page, ByteView bytes) {
    if (bytes.empty()) return {};
    const UINT page = code_page == kCodePageUtf8 ? CP_UTF8 : kCodePageShiftJis;
    const auto* data = reinterpret_cast<const char*>(bytes.data());
    const int length = MultiByteToWideChar(page, 0, data, int(bytes.size()), nullptr, 0);
    if (length <= 0) return {};
    std::wstring text(std::size_t(length), L'\0');
    MultiByteToWideChar(page, 0, data, int(bytes.size()), text.data(), length);
    return win32::from_wide(text.data(), text.size());
}

MultiByteResult wide_to_multibyte(unsigned code_page, std::u16string_view text, char default_char) {
    MultiByteResult result;
    if (text.empty()) return result;
    const bool utf8 = code_page == kCodePageUtf8;
    const UINT page = utf8 ? CP_UTF8 : kCodePageShiftJis;
    const auto* data = reinterpret_cast<const wchar_t*>(text.data());
    const char fallback[2] = {default_char, 0};
    BOOL used = FALSE;
    const int length = WideCharToMultiByte(page, 0, data, int(text.size()), nullptr, 0,
                                           utf8 ? nullptr : fallback, utf8 ? nullptr : &used);
    if (length <= 0) return result;
    result.bytes.resize(std::size_t(length));
    WideCharToMultiByte(page, 0, data, int(text.size()), result.bytes.data(), length,
                        utf8 ? nullptr : fallback, utf8 ? nullptr : &used);
    result.used_default = used != FALSE;
    return result;
}

// The stand-in log goes to the debugger's output; the real one writes the hourly files.
bool log_line(std::u16string_view message) {
    std::wstring line = wide_path(message);
    line += L"\r\n";
    OutputDebugStringW(line.c_str());
    return true;
}

namespace platform {

ReadFile::~ReadFile() {
    if (fd_ >= 0) _close(fd_);
}

int ReadFile::open(std::u16string_view path) {
    if (path.empty()) return ENOENT;
    const std::wstring native = wide_path(path);
    if (is_folder(native)) return EISDIR;
    const int fd = _wsopen(native.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO);
    if (fd < 0) return errno;
    fd_ = fd;
    error_ = 0;
    return 0;
}

std::size_t ReadFile::read(std::uint8_t* data, std::size_t size) {
    if (fd_ < 0 || error_ != 0) return 0;
    return read_all(fd_, data, size, &error_);
}

bool can_access(std::u16string_view path) {
    return !path.empty() && GetFileAttributesW(wide_path(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<FileStatus> file_status(std::u16string_view path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() ||
        !GetFileAttributesExW(wide_path(path).c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    FileStatus status;
    status.is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.read_only = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    status.size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const std::uint64_t ticks = (std::uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                data.ftLastWriteTime.dwLowDateTime;
    // 100 ns ticks since 1601 to seconds since 1970.
    status.modified = std::time_t(ticks / 10'000'000ull) - 11'644'473'600ll;
    status.mode = status.is_folder ? _S_IFDIR : _S_IFREG;
    return status;
}

std::u16string executable_path() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return win32::from_wide(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
    return {};
}

std::uint32_t file_version_info_size(std::u16string_view path, std::uint32_t& handle) {
    DWORD zero = 0;
    const DWORD size = GetFileVersionInfoSizeW(wide_path(path).c_str(), &zero);
    handle = zero;
    return size;
}

bool file_version_info(std::u16string_view path, std::uint32_t handle, std::uint32_t size,
                       std::span<std::uint8_t> buffer) {
    if (buffer.size() < size) return false;
    return GetFileVersionInfoW(wide_path(path).c_str(), handle, size, buffer.data()) != FALSE;
}

std::optional<std::span<const std::uint8_t>> ver_query_value(std::span<const std::uint8_t> buffer,
                                                             std::u16string_view sub_block) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring block = wide_path(sub_block);
    if (!VerQueryValueW(buffer.data(), block.c_str(), &value, &length) || !value) {
        return std::nullopt;
    }
    // Strings are counted in characters; everything else in bytes.
    const bool is_string = block.rfind(L"\\StringFileInfo", 0) == 0;
    const std::size_t bytes = is_string ? std::size_t(length) * 2 : length;
    std::size_t units = bytes;
    if (is_string) {
        const auto* text = static_cast<const wchar_t*>(value);
        units = wcsnlen(text, length) * 2;
    }
    return std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(value), units);
}

}  // namespace platform
}  // namespace vermark
