#include "platform/windows/win_native.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <ctime>

namespace vermark::platform::win {
namespace {

bool is_separator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Drive-absolute ("C:\...") or UNC ("\\server\share"): the forms a "\\?\" prefix can take.
bool is_absolute(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && is_separator(path[2])) return true;
    return path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
}

// Whether a file (not a folder) stands somewhere on the way to `path`: then the path is not
// missing but impossible, as ENOTDIR says on Linux.
bool file_on_the_way(std::u16string_view path) {
    for (std::size_t cut = path.find_last_of(u"\\/"); cut != std::u16string_view::npos && cut > 0;
         cut = path.find_last_of(u"\\/", cut - 1)) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (attributes_of(path.substr(0, cut), data))
            return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }
    return false;
}

}  // namespace

std::wstring to_wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

std::u16string from_wide(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}

std::wstring wide_path(std::u16string_view path) {
    if (path.find(u'\0') != std::u16string_view::npos) return {};
    std::wstring wide = to_wide(path);
    if (wide.starts_with(L"\\\\?\\")) return wide;
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    if (wide.size() < MAX_PATH - 12 || !is_absolute(wide)) return wide;
    if (wide[0] == L'\\') return L"\\\\?\\UNC" + wide.substr(1);
    return L"\\\\?\\" + wide;
}

int errno_from(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_INVALID_DRIVE:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return EACCES;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_BUSY:
            return EBUSY;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_DIRECTORY:
            return ENOTDIR;
        case ERROR_DIR_NOT_EMPTY:
            return ENOTEMPTY;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_PARAMETER:
        case ERROR_NOT_SUPPORTED:
            return EINVAL;
        default:
            return EIO;
    }
}

bool attributes_of(std::u16string_view path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    const std::wstring wide = wide_path(path);
    if (wide.empty()) return false;
    return ::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) != 0;
}

int open_descriptor(std::u16string_view path, DWORD access, DWORD share, DWORD disposition) {
    const std::wstring wide = wide_path(path);
    if (wide.empty()) {
        errno = path.empty() ? ENOENT : EINVAL;
        return -1;
    }
    HANDLE handle = ::CreateFileW(wide.c_str(), access, share, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (error == ERROR_ACCESS_DENIED && attributes_of(path, data) &&
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            errno = EISDIR;
        } else if (error == ERROR_PATH_NOT_FOUND && file_on_the_way(path)) {
            errno = ENOTDIR;
        } else {
            errno = errno_from(error);
        }
        return -1;
    }
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        // Devices (CON, NUL, pipes) are not files to read or write here.
        ::CloseHandle(handle);
        errno = EINVAL;
        return -1;
    }
    int flags = _O_BINARY | _O_NOINHERIT;
    if ((access & GENERIC_WRITE) == 0) flags |= _O_RDONLY;
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (fd < 0) {
        ::CloseHandle(handle);
        errno = EMFILE;
    }
    return fd;
}

HANDLE handle_of(int fd) {
    if (fd < 0) return INVALID_HANDLE_VALUE;
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

std::time_t unix_time(const FILETIME& time) {
    ULARGE_INTEGER value{};
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    // 100-ns steps since 1601-01-01; 11644473600 seconds lie between 1601 and 1970.
    return static_cast<std::time_t>(value.QuadPart / 10000000ULL) - 11644473600LL;
}

FILETIME file_time(std::time_t time) {
    ULARGE_INTEGER value{};
    value.QuadPart = (static_cast<ULONGLONG>(time) + 11644473600ULL) * 10000000ULL;
    FILETIME result{};
    result.dwLowDateTime = value.LowPart;
    result.dwHighDateTime = value.HighPart;
    return result;
}

}  // namespace vermark::platform::win
