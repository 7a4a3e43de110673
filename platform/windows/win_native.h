#pragma once

// What the Windows side of the platform layer shares: wide paths, error numbers and handles
// turned into C runtime descriptors. Included only by platform/windows/*.cpp.

#include <windows.h>

#include <ctime>
#include <string>
#include <string_view>

namespace vermark::platform::win {

// The path as the system takes it: '/' becomes '\', and a path too long for the classic limit
// gets the "\\?\" (or "\\?\UNC\") prefix so it still opens. Empty for a path holding a zero.
std::wstring wide_path(std::u16string_view path);

std::wstring to_wide(std::u16string_view text);
std::u16string from_wide(std::wstring_view text);

// The C runtime error number for a Windows error code.
int errno_from(DWORD error);

// CreateFileW with the given access and sharing, wrapped in a C runtime descriptor (so read,
// write and close work as on Linux). -1 with errno set when the open fails; a folder is EISDIR.
int open_descriptor(std::u16string_view path, DWORD access, DWORD share, DWORD disposition);

// The handle behind a descriptor, INVALID_HANDLE_VALUE for none.
HANDLE handle_of(int fd);

// The file's attributes, or nullopt-like INVALID_FILE_ATTRIBUTES when it is not there.
bool attributes_of(std::u16string_view path, WIN32_FILE_ATTRIBUTE_DATA& data);

std::time_t unix_time(const FILETIME& time);
FILETIME file_time(std::time_t time);

}  // namespace vermark::platform::win
