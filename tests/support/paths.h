// Filesystem paths of the test side as the wide paths the program takes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vermark::testing {

// The path's UTF-8 text as UTF-16.
std::u16string wide_path(const std::filesystem::path& path);

// The wide path as a filesystem path (UTF-8).
std::filesystem::path narrow_path(std::u16string_view path);

}  // namespace vermark::testing
