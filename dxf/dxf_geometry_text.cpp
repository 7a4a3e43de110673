// Turning the control codes of DXF text values into plain readable UTF-8 for the picture.
#include <algorithm>
#include <cctype>
#include <cstdint>

#include "dxf/dxf_geometry_internal.h"

namespace vermark::dxf_detail {
namespace {

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// "\U+XXXX" at `i`: the character, and `i` moved past it. False when not such a code.
bool take_unicode_escape(std::string_view raw, std::size_t& i, std::string& out) {
    if (i + 7 > raw.size() || raw[i] != '\\' || (raw[i + 1] != 'U' && raw[i + 1] != 'u') ||
        raw[i + 2] != '+') {
        return false;
    }
    char32_t value = 0;
    for (std::size_t k = i + 3; k < i + 7; ++k) {
        const unsigned char h = static_cast<unsigned char>(raw[k]);
        if (!std::isxdigit(h)) return false;
        value = value * 16 + (std::isdigit(h) ? h - '0' : std::tolower(h) - 'a' + 10);
    }
    // A lone surrogate cannot be written as UTF-8.
    append_utf8(out, value >= 0xD800 && value <= 0xDFFF ? 0xFFFD : value);
    i += 7;
    return true;
}

// "%%c", "%%d", "%%p", "%%%" and the underline/overline toggles at `i`.
bool take_percent_code(std::string_view raw, std::size_t& i, std::string& out) {
    if (i + 3 > raw.size() || raw[i] != '%' || raw[i + 1] != '%') return false;
    switch (std::tolower(static_cast<unsigned char>(raw[i + 2]))) {
        case 'c':
            append_utf8(out, U'\u2300');
            break;
        case 'd':
            append_utf8(out, U'\u00B0');
            break;
        case 'p':
            append_utf8(out, U'\u00B1');
            break;
        case '%':
            out += '%';
            break;
        case 'u':
        case 'o':
        case 'k':
            break;
        default:
            return false;
    }
    i += 3;
    return true;
}

std::size_t skip_past_semicolon(std::string_view raw, std::size_t from) {
    const std::size_t end = raw.find(';', from);
    return end == std::string_view::npos ? raw.size() : end + 1;
}

// One MTEXT code after a backslash at `i`; moves `i` past it.
void take_mtext_code(std::string_view raw, std::size_t& i, std::string& out) {
    if (take_unicode_escape(raw, i, out)) return;
    if (i + 1 >= raw.size()) {
        ++i;
        return;
    }
    const char code = raw[i + 1];
    switch (code) {
        case 'P':
            out += '\n';
            i += 2;
            return;
        case '~':
            out += ' ';
            i += 2;
            return;
        case 'S': {  // stacked fraction "\Sa^b;" shown as a/b
            const std::size_t end = skip_past_semicolon(raw, i + 2);
            for (std::size_t k = i + 2; k < end && raw[k] != ';'; ++k) {
                out += (raw[k] == '^' || raw[k] == '#') ? '/' : raw[k];
            }
            i = end;
            return;
        }
        case 'A':
        case 'C':
        case 'c':
        case 'F':
        case 'f':
        case 'H':
        case 'h':
        case 'Q':
        case 'q':
        case 'T':
        case 't':
        case 'W':
        case 'w':
        case 'p':
            i = skip_past_semicolon(raw, i + 2);  // formatting with an argument
            return;
        case 'L':
        case 'l':
        case 'O':
        case 'o':
        case 'K':
        case 'k':
        case 'N':
        case 'X':
            i += 2;  // toggles and column breaks
            return;
        case 'M':  // a code-page character "\M+nXXXX" that cannot be decoded here
            out += '?';
            i = std::min(raw.size(), i + 8);
            return;
        default:
            out += code;
            i += 2;
            return;  // "\\", "\{", "\}" and unknown codes
    }
}

}  // namespace

std::string clean_text_value(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size();) {
        if (take_percent_code(raw, i, out) || take_unicode_escape(raw, i, out)) continue;
        out += raw[i++];
    }
    return out;
}

std::string clean_mtext_value(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size();) {
        const char c = raw[i];
        if (c == '{' || c == '}') {
            ++i;
        } else if (c == '\\') {
            take_mtext_code(raw, i, out);
        } else if (!take_percent_code(raw, i, out)) {
            out += c;
            ++i;
        }
    }
    return out;
}

std::size_t longest_line_length(std::string_view utf8) {
    std::size_t longest = 0, current = 0;
    for (char c : utf8) {
        if (c == '\n') {
            current = 0;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && ++current > longest) {
            longest = current;
        }
    }
    return longest;
}

std::size_t line_count(std::string_view utf8) {
    std::size_t lines = 1;
    for (char c : utf8) lines += c == '\n';
    return lines;
}

}  // namespace vermark::dxf_detail
