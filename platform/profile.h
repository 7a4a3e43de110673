// The private-profile functions over INI files, with the rules the settings code relies on:
// sections and keys matched ignoring case, values trimmed of surrounding blanks and of one pair of
// surrounding quotes, the caller's default when a section, key or file is missing.
//
// Encodings: a file beginning FF FE is UTF-16 LE, FE FF UTF-16 BE, EF BB BF UTF-8; any other is
// code page 932. A file is written back in the encoding it was read in; a new file is created in
// code page 932 (the settings store turns it into UTF-16 later).
//
// Writes never leave a damaged file: each one re-reads the file under an exclusive lock on a side
// file (path + ".lock"), edits its lines (all other lines keep their bytes), writes a complete
// temporary copy and renames it over the file. Two programs writing the same file therefore
// never lose each other's values, and readers always see a whole file. A file its owner may not
// write is read-only: writes to it fail and leave it alone.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vermark::platform {

// A name, value or default that may be absent (the null pointer of the platform's calls).
using ProfileName = std::optional<std::u16string_view>;

// Copies into `buffer` (room for `size` characters, the terminating zero included):
// - section and key given: the key's value, or the default (trailing blanks removed) when the
//   file, section or key is missing; cut to size - 1 characters; returns the characters copied.
// - key absent: the section's key names, each ended by a zero, then one more zero.
// - section absent: every section name the same way.
//   A list that does not fit is cut, ends in two zeros, and size - 2 is returned.
// Nothing is copied and 0 is returned when `buffer` is null or `size` is 0.
std::uint32_t GetPrivateProfileStringW(ProfileName section, ProfileName key,
                                       ProfileName default_value, char16_t* buffer,
                                       std::uint32_t size, std::u16string_view path);

// The value read as a decimal integer (leading blanks and a sign allowed, digits up to the first
// other character, wrapping at 32 bits, so "-1" gives 0xFFFFFFFF); `default_value` when the value
// is missing or empty; 0 when it does not start with a number.
std::uint32_t GetPrivateProfileIntW(ProfileName section, ProfileName key,
                                    std::int32_t default_value, std::u16string_view path);

// Sets section/key to value, creating the file, section or key as needed; an absent value
// deletes the key, an absent key deletes the whole section. CR and LF in names and values become
// blanks, so a value cannot break the file's lines. False when the section is absent or the file
// cannot be read or replaced.
bool WritePrivateProfileStringW(ProfileName section, ProfileName key, ProfileName value,
                                std::u16string_view path);

// Replaces the file's bytes with `transform(current bytes)` under the same lock and atomic
// replacement as the writes; a transform that returns nothing leaves the file alone (true).
// False when the file is missing or cannot be read or replaced.
bool rewrite_profile_file(
    std::u16string_view path,
    const std::function<std::optional<std::string>(std::string_view)>& transform);

// Creates the file holding `content()` when it does not exist, under the same lock and atomic
// replacement as the writes; an existing file is left alone (true). False when the file can be
// neither found nor created.
bool create_profile_file(std::u16string_view path, const std::function<std::string()>& content);

// Case-insensitive comparison of section and key names: letters of every script match their
// other case.
bool profile_names_equal(std::u16string_view a, std::u16string_view b);

}  // namespace vermark::platform
