#include "platform/file_moves.h"

#include "platform/windows/win_native.h"

namespace vermark::platform {
namespace win = platform::win;

std::optional<std::time_t> modification_time(std::u16string_view path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!win::attributes_of(path, data)) return std::nullopt;
    return win::unix_time(data.ftLastWriteTime);
}

std::optional<std::uint64_t> file_size(std::u16string_view path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!win::attributes_of(path, data)) return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool rename_without_replacing(std::u16string_view from, std::u16string_view to) {
    const std::wstring source = win::wide_path(from);
    const std::wstring target = win::wide_path(to);
    if (source.empty() || target.empty()) return false;
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the target exists.
    return ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED) != 0;
}

bool copy_file_bytes(std::u16string_view from, std::u16string_view to, bool fail_if_exists) {
    const std::wstring source = win::wide_path(from);
    const std::wstring target = win::wide_path(to);
    if (source.empty() || target.empty()) return false;
    return ::CopyFileW(source.c_str(), target.c_str(), fail_if_exists ? TRUE : FALSE) != 0;
}

bool make_folder_private(std::u16string_view path) {
    // A folder under the user's profile inherits an access list only its owner and the system
    // can use; there are no mode bits to narrow.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return win::attributes_of(path, data) &&
           (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool is_own_real_folder(std::u16string_view path) {
    while (path.size() > 3 && (path.back() == u'\\' || path.back() == u'/')) path.remove_suffix(1);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!win::attributes_of(path, data)) return false;
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool set_modification_time(std::u16string_view path, std::time_t when) {
    const std::wstring wide = win::wide_path(path);
    if (wide.empty()) return false;
    HANDLE handle = ::CreateFileW(wide.c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const FILETIME time = win::file_time(when);
    const bool set = ::SetFileTime(handle, nullptr, &time, &time) != 0;
    ::CloseHandle(handle);
    return set;
}

}  // namespace vermark::platform
