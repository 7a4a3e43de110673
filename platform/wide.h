// Conversions between the program's wide text (UTF-16) and the UTF-8 that Linux file-system
// calls, the terminal and Qt's byte APIs take. Used only at those edges.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vermark::platform {

// UTF-8 to UTF-16. Malformed sequences become U+FFFD; never fails.
std::u16string from_utf8(std::string_view utf8);

// Decodes the UTF-8 sequence at s[i] and advances i past it. A malformed sequence gives U+FFFD
// (as does U+FFFD itself) and advances by one byte, or by the whole sequence when it only
// encodes a value UTF-8 may not carry (too long a form, a surrogate). i must be below s.size().
char32_t next_code_point(std::string_view s, size_t& i);

// UTF-16 to UTF-8. Unpaired surrogates become U+FFFD; never fails.
std::string to_utf8(std::u16string_view wide);

// A path for the system's calls: its UTF-8 form, or the empty name (which no call finds) when
// the path holds a zero character. The system would end the name there and so act on another
// file: "plan\0.1008.dxf" would overwrite "plan".
std::string native_path(std::u16string_view path);

// A UTF-8 path as a standard library path, and back: the narrow forms of std::filesystem are
// the ANSI code page on Windows, which cannot spell every name.
std::filesystem::path path_from_utf8(std::string_view utf8);
std::string utf8_of(const std::filesystem::path& path);

// Shorthand for literals and ASCII in tests and messages.
inline std::u16string widen(std::string_view utf8) {
    return from_utf8(utf8);
}

}  // namespace vermark::platform
