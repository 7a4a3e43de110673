#pragma once

namespace vermark::platform {

// kPathSeparator is what the program writes between a path's parts (its path helpers read '/'
// and '\' alike); kFileSystemSeparators are those the file system itself honours in a real
// file's path: on Linux a backslash is part of a name ("plans\ground.dxf" from an archive).
#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
inline constexpr char16_t kFileSystemSeparators[] = u"/\\";
#else
inline constexpr char16_t kPathSeparator = u'/';
inline constexpr char16_t kFileSystemSeparators[] = u"/";
#endif

}  // namespace vermark::platform
