// Writing wide (UTF-16) text to files in one encoding, replacing what the file held. No writer
// changes line ends. Every writer returns true only when all of the data reached the file.
#pragma once

#include <string>
#include <string_view>

#include "text/byte_buffer.h"

namespace vermark {

// Creates or truncates the file and writes the bytes. Opens are retried like read_file_bytes's
// (failures logged as "Can't open wb  " + path). A file still empty after a non-empty write is
// rewritten up to 11 times, 10 ms apart. `rewrite` counts the rewrites made; callers pass 0.
bool write_file_bytes(const std::u16string& path, platform::ByteView bytes, int rewrite = 0);
inline bool write_file_bytes(const std::u16string& path, const platform::ByteBuffer& bytes,
                             int rewrite = 0) {
    return write_file_bytes(path, platform::ByteView(bytes), rewrite);
}

// The text up to its first zero character as UTF-8, with EF BB BF in front when `with_mark`.
bool write_utf8_text(const std::u16string& path, std::u16string_view text, bool with_mark);

// The text up to its first zero character as UTF-16 little-endian, FF FE in front when `with_mark`.
bool write_utf16_text(const std::u16string& path, std::u16string_view text, bool with_mark);

// The whole text (zero characters included) as UTF-16 little-endian beginning with exactly one
// mark: leading U+FEFF characters are replaced by one.
bool write_unicode_text(const std::u16string& path, std::u16string_view text);

// The text up to its first zero character in code page 932; "_" for what it cannot hold.
bool write_sjis_text(const std::u16string& path, std::u16string_view text);

// The settings store's writer: with `unicode` clear, code page 932 bytes when the system's ANSI
// code page is 932 and the text fits it, else FF FE + UTF-16 LE; with `unicode` set, FF FE + the
// raw units. Holds the file exclusively while writing. False when it cannot be opened.
bool save_text_file(const std::u16string& path, std::u16string_view text, bool unicode);

// Rewrites a text file as FF FE + UTF-16 LE unless it already begins with a UTF-16 mark. A missing
// or empty file gets the mark alone; a file with contents that cannot be read stays untouched.
bool convert_to_utf16_file(const std::u16string& path);

// The bytes the text writers above put into their files: cut at the first zero character,
// converted, mark in front when asked.
platform::ByteBuffer utf8_bytes(std::u16string_view text, bool with_mark);
platform::ByteBuffer utf16_bytes(std::u16string_view text, bool with_mark);
platform::ByteBuffer sjis_bytes(std::u16string_view text);

}  // namespace vermark
