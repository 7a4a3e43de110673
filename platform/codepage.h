// Stand-ins for the Windows code-page conversions (MultiByteToWideChar / WideCharToMultiByte) for
// the two code pages the program uses: 932 (Shift_JIS as Windows has it) and 65001 (UTF-8).
// Conversions never fail: what cannot be decoded or encoded is replaced and the rest is kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/byte_buffer.h"

namespace vermark::platform {

inline constexpr unsigned kCodePageShiftJis = 932;
inline constexpr unsigned kCodePageUtf8 = 65001;

// Replacement for undecodable input: U+30FB in code page 932 (as Windows), U+FFFD in UTF-8.
inline constexpr char16_t kShiftJisDefaultWide = 0x30FB;
inline constexpr char16_t kUtf8DefaultWide = 0xFFFD;

// Decodes all of `bytes` (zero bytes included: callers cut where they want the text to end).
// Code page 932 follows Windows' table: 0x80 -> U+0080, 0xA0/0xFD/0xFE/0xFF -> U+F8F0..U+F8F3,
// a well-formed but unassigned pair -> U+30FB; a lead byte takes the byte after it even when that
// is no trail byte ("\x81\r" -> one U+30FB), except a zero byte or none, when the lead byte alone
// gives U+30FB. UTF-8: each maximal bad subsequence -> U+FFFD.
// Any other code page is treated as 932.
std::u16string multibyte_to_wide(unsigned code_page, ByteView bytes);
inline std::u16string multibyte_to_wide(unsigned code_page, std::string_view bytes) {
    return multibyte_to_wide(
        code_page, ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

struct MultiByteResult {
    std::string bytes;
    bool used_default = false;  // some character could not be represented
};

// Encodes all of `text`. In code page 932 a character it cannot hold (a lone surrogate, a
// character outside its table) becomes `default_char` ("?" as Windows unless given); in UTF-8 a
// lone surrogate becomes EF BF BD.
MultiByteResult wide_to_multibyte(unsigned code_page, std::u16string_view text,
                                  char default_char = '?');

}  // namespace vermark::platform
