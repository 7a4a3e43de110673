#include "platform/codepage.h"

#include <iconv.h>

#include <bit>
#include <cerrno>

#include "platform/utf16.h"
#include "platform/wide.h"

namespace vermark::platform {
namespace {

constexpr const char* kNativeUtf16 =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// One iconv descriptor per thread and direction, opened on first use.
class Iconv {
  public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    // Converts as far as it can; false with errno set where it stopped.
    bool convert(const char*& in, std::size_t& in_left, char*& out, std::size_t& out_left) {
        char* in_ptr = const_cast<char*>(in);
        const std::size_t r = iconv(cd_, &in_ptr, &in_left, &out, &out_left);
        in = in_ptr;
        return r != static_cast<std::size_t>(-1);
    }
    // After a stop, back to the initial shift state before going on.
    void reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

  private:
    iconv_t cd_;
};

Iconv& shift_jis_decoder() {
    thread_local Iconv cd(kNativeUtf16, "CP932");
    return cd;
}

Iconv& shift_jis_encoder() {
    thread_local Iconv cd("CP932", kNativeUtf16);
    return cd;
}

bool is_sjis_lead(std::uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Single bytes that Windows maps and glibc's table leaves out.
char16_t windows_only_single_byte(std::uint8_t b) {
    switch (b) {
        case 0x80:
            return 0x0080;
        case 0xA0:
            return 0xF8F0;
        case 0xFD:
            return 0xF8F1;
        case 0xFE:
            return 0xF8F2;
        case 0xFF:
            return 0xF8F3;
        default:
            return 0;
    }
}

int single_byte_for(char16_t c) {
    // ASCII and half-width katakana only arrive here when iconv is missing its CP932 module.
    if (c < 0x80) return c;
    if (c >= 0xFF61 && c <= 0xFF9F) return 0xA1 + (c - 0xFF61);
    switch (c) {
        case 0x0080:
            return 0x80;
        case 0xF8F0:
            return 0xA0;
        case 0xF8F1:
            return 0xFD;
        case 0xF8F2:
            return 0xFE;
        case 0xF8F3:
            return 0xFF;
        default:
            return -1;
    }
}

// What Windows makes of the bytes where iconv stopped; returns the bytes used.
std::size_t substitute_sjis(const std::uint8_t* in, std::size_t left, char16_t& unit) {
    // ASCII and half-width katakana only arrive here when iconv is missing its CP932 module.
    if (in[0] < 0x80 || (in[0] >= 0xA1 && in[0] <= 0xDF)) {
        unit = in[0] < 0x80 ? in[0] : static_cast<char16_t>(0xFF61 + (in[0] - 0xA1));
        return 1;
    }
    if (const char16_t mapped = windows_only_single_byte(in[0])) {
        unit = mapped;
        return 1;
    }
    unit = kShiftJisDefaultWide;
    // Windows reads a lead byte and the byte after it as one character, whatever that byte is,
    // except a zero byte (the end of a C string), which is read on its own.
    return (left >= 2 && is_sjis_lead(in[0]) && in[1] != 0) ? 2 : 1;
}

std::u16string sjis_to_wide(ByteView bytes) {
    // Every character of code page 932 takes at least one byte and yields one unit.
    std::u16string out(bytes.size(), u'\0');
    const char* in = reinterpret_cast<const char*>(bytes.data());
    std::size_t in_left = bytes.size();
    char* out_ptr = reinterpret_cast<char*>(out.data());
    std::size_t out_left = out.size() * sizeof(char16_t);
    Iconv& cd = shift_jis_decoder();

    while (in_left > 0) {
        if (cd.ok() && cd.convert(in, in_left, out_ptr, out_left)) break;
        if (cd.ok() && errno == E2BIG) break;  // cannot happen: room for one unit per byte
        char16_t unit;
        const std::size_t used =
            substitute_sjis(reinterpret_cast<const std::uint8_t*>(in), in_left, unit);
        *reinterpret_cast<char16_t*>(out_ptr) = unit;
        out_ptr += sizeof(char16_t);
        out_left -= sizeof(char16_t);
        in += used;
        in_left -= used;
        if (cd.ok()) cd.reset();
    }
    out.resize(out.size() - out_left / sizeof(char16_t));
    return out;
}

MultiByteResult wide_to_sjis(std::u16string_view text, char default_char) {
    MultiByteResult result;
    // At most two bytes per unit.
    result.bytes.assign(text.size() * 2, '\0');
    const char* in = reinterpret_cast<const char*>(text.data());
    std::size_t in_left = text.size() * sizeof(char16_t);
    char* out_ptr = result.bytes.data();
    std::size_t out_left = result.bytes.size();
    Iconv& cd = shift_jis_encoder();

    while (in_left >= sizeof(char16_t)) {
        if (cd.ok() && cd.convert(in, in_left, out_ptr, out_left)) break;
        if (cd.ok() && errno == E2BIG) break;  // cannot happen: room for two bytes per unit
        const auto* units = reinterpret_cast<const char16_t*>(in);
        const std::size_t units_left = in_left / sizeof(char16_t);
        std::size_t used = 1;
        if (const int byte = single_byte_for(units[0]); byte >= 0) {
            *out_ptr = static_cast<char>(byte);
        } else {
            *out_ptr = default_char;
            result.used_default = true;
            // A surrogate pair is one character and gets one replacement.
            if (units[0] >= 0xD800 && units[0] <= 0xDBFF && units_left >= 2 && units[1] >= 0xDC00 &&
                units[1] <= 0xDFFF) {
                used = 2;
            }
        }
        ++out_ptr;
        --out_left;
        in += used * sizeof(char16_t);
        in_left -= used * sizeof(char16_t);
        if (cd.ok()) cd.reset();
    }
    result.bytes.resize(result.bytes.size() - out_left);
    return result;
}

// --- UTF-8 ----------------------------------------------------------------------------------

// Allowed range of the second byte after a lead byte (the rest are 80..BF); bytes that cannot
// lead have no entry (length 0). Rejects overlong forms, surrogates and values above U+10FFFF.
struct Utf8Lead {
    int length;
    std::uint8_t second_low, second_high;
};

Utf8Lead utf8_lead(std::uint8_t b) {
    if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
    if (b == 0xE0) return {3, 0xA0, 0xBF};
    if (b == 0xED) return {3, 0x80, 0x9F};
    if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
    if (b == 0xF0) return {4, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
    if (b == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

// Each maximal ill-formed subsequence becomes one U+FFFD, as Windows does since Vista.
std::u16string utf8_to_wide(ByteView bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = bytes[i];
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        const Utf8Lead lead = utf8_lead(b);
        if (lead.length == 0) {
            out.push_back(kUtf8DefaultWide);
            ++i;
            continue;
        }
        char32_t cp = b & (0x7F >> lead.length);
        int taken = 1;
        for (; taken < lead.length && i + taken < n; ++taken) {
            const std::uint8_t c = bytes[i + taken];
            const bool fits = taken == 1 ? (c >= lead.second_low && c <= lead.second_high)
                                         : (c >= 0x80 && c <= 0xBF);
            if (!fits) break;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (taken == lead.length) {
            append_code_point(out, cp);
        } else {
            out.push_back(kUtf8DefaultWide);
        }
        i += static_cast<std::size_t>(taken);
    }
    return out;
}

}  // namespace

std::u16string multibyte_to_wide(unsigned code_page, ByteView bytes) {
    return code_page == kCodePageUtf8 ? utf8_to_wide(bytes) : sjis_to_wide(bytes);
}

MultiByteResult wide_to_multibyte(unsigned code_page, std::u16string_view text, char default_char) {
    if (code_page != kCodePageUtf8) return wide_to_sjis(text, default_char);
    MultiByteResult result;
    result.bytes = to_utf8(text);
    return result;
}

}  // namespace vermark::platform
