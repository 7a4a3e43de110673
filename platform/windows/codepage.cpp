#include "platform/codepage.h"

#include <limits>

#include "platform/windows/win_native.h"

namespace vermark::platform {
namespace {

// The calls take int lengths: longer texts are converted in pieces that end on a character.
constexpr std::size_t kPiece = 1u << 28;

std::u16string decode_piece(unsigned code_page, ByteView bytes) {
    const auto* data = reinterpret_cast<const char*>(bytes.data());
    const int size = static_cast<int>(bytes.size());
    const int needed = ::MultiByteToWideChar(code_page, 0, data, size, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    ::MultiByteToWideChar(code_page, 0, data, size, wide.data(), needed);
    return platform::win::from_wide(wide);
}

// Code page 932 holds no character beyond the basic plane; such a character (a surrogate pair)
// is one character that cannot be held, so one default byte stands for it, not two.
std::wstring astral_as_one(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool pair = text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size() &&
                          text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000;
        out.push_back(pair ? L'\xFFFF' : text[i]);
        if (pair) ++i;
    }
    return out;
}

}  // namespace

std::u16string multibyte_to_wide(unsigned code_page, ByteView bytes) {
    if (code_page != kCodePageUtf8) code_page = kCodePageShiftJis;
    std::u16string text;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.size() - start > kPiece ? start + kPiece : bytes.size();
        // Never split a UTF-8 sequence: back up to a byte that starts one.
        if (code_page == kCodePageUtf8)
            while (end < bytes.size() && end > start && (bytes[end] & 0xC0) == 0x80) --end;
        text += decode_piece(code_page, bytes.subspan(start, end - start));
        start = end;
    }
    return text;
}

MultiByteResult wide_to_multibyte(unsigned code_page, std::u16string_view text, char default_char) {
    MultiByteResult result;
    if (text.empty()) return result;
    if (code_page != kCodePageUtf8) code_page = kCodePageShiftJis;
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max() / 4)) return result;
    std::wstring wide = platform::win::to_wide(text);
    if (code_page != kCodePageUtf8) wide = astral_as_one(wide);
    const int size = static_cast<int>(wide.size());
    // UTF-8 takes neither a default character nor the flag that reports its use.
    const bool utf8 = code_page == kCodePageUtf8;
    const char defaults[2] = {default_char, '\0'};
    BOOL used_default = FALSE;
    const int needed =
        ::WideCharToMultiByte(code_page, 0, wide.c_str(), size, nullptr, 0,
                              utf8 ? nullptr : defaults, utf8 ? nullptr : &used_default);
    if (needed <= 0) return result;
    result.bytes.resize(static_cast<std::size_t>(needed));
    ::WideCharToMultiByte(code_page, 0, wide.c_str(), size, result.bytes.data(), needed,
                          utf8 ? nullptr : defaults, utf8 ? nullptr : &used_default);
    result.used_default = used_default != FALSE;
    return result;
}

}  // namespace vermark::platform
