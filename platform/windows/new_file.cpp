#include "platform/new_file.h"

#include <io.h>

#include <cerrno>

#include "platform/windows/win_native.h"

namespace vermark::platform {

int open_for_writing(std::u16string_view path, bool exclusive) {
    // Readers may look at the file meanwhile; nobody else writes it.
    return win::open_descriptor(path, GENERIC_WRITE, FILE_SHARE_READ,
                                exclusive ? CREATE_NEW : CREATE_ALWAYS);
}

bool close_descriptor(int fd) {
    return ::_close(fd) == 0;
}

void withhold_permissions_missing_from(std::u16string_view, std::u16string_view) {
    // A new file inherits its folder's access list, as the input beside it did.
}

bool replace_with(std::u16string_view from, std::u16string_view to) {
    const std::wstring source = win::wide_path(from);
    const std::wstring target = win::wide_path(to);
    if (source.empty() || target.empty()) {
        errno = EINVAL;
        return false;
    }
    // A read-only target is the user's to keep: Windows refuses to replace it, and so does this
    // call wherever the system would not (Wine replaces it).
    WIN32_FILE_ATTRIBUTE_DATA target_data{};
    if (win::attributes_of(to, target_data) &&
        (target_data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        errno = EACCES;
        return false;
    }
    if (::MoveFileExW(source.c_str(), target.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD error = ::GetLastError();
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (error == ERROR_ACCESS_DENIED && win::attributes_of(to, data) &&
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        errno = EISDIR;
    else
        errno = win::errno_from(error);
    return false;
}

bool same_file(std::u16string_view a, std::u16string_view b) {
    auto identity = [](std::u16string_view path, BY_HANDLE_FILE_INFORMATION& info) {
        const std::wstring wide = win::wide_path(path);
        if (wide.empty()) return false;
        HANDLE handle =
            ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        const bool known = ::GetFileInformationByHandle(handle, &info) != 0;
        ::CloseHandle(handle);
        return known;
    };
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    // `b` first: callers pass the name that is usually not there yet.
    return identity(b, second) && identity(a, first) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace vermark::platform
