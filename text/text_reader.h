// Reading whole files into memory and turning their bytes into wide (UTF-16) text.
// Two families: the byte reader and decoder (read_file_bytes, decode_text, read_text_file) and the
// loader used by the settings store (load_text_file, has_utf16_bom), which honours other programs'
// locks and reads an XML encoding declaration. Nothing here throws.
#pragma once

#include <string>

#include "text/byte_buffer.h"

namespace vermark {

// The whole file, or an empty buffer when it is empty or cannot be opened. A failed open is
// retried (100 attempts, 100 ms apart) when the cause can pass (locked by another program,
// permission changing, interrupted); a missing file, a folder or a path through a non-folder gives
// up at once. Failures are logged as "Can't open rb  " + path.
platform::ByteBuffer read_file_bytes(const std::u16string& path);

// Marked UTF-8/16/32 by their marks, unmarked UTF-8 as UTF-8, anything else through code page 932.
// The text ends at its first zero character (UTF-32 drops zero halves instead). Never fails.
std::u16string decode_text(platform::ByteView bytes);
inline std::u16string decode_text(const platform::ByteBuffer& bytes) {
    return decode_text(platform::ByteView(bytes));
}

// decode_text of the file; the empty text, without opening or logging, when it does not exist.
std::u16string read_text_file(const std::u16string& path);

// Empties `out`, then fills it with the file's text: UTF-16 marks, the UTF-8 mark, an XML
// declaration naming UTF-8, else decode_text. False (nothing logged) when the file is missing,
// empty, or cannot be opened for reading with writers denied.
bool load_text_file(const std::u16string& path, std::u16string& out);

// True when the file begins FF FE or FE FF; any failure gives false.
bool has_utf16_bom(const std::u16string& path);

}  // namespace vermark
