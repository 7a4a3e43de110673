#include "text/text_reader.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "diag/log.h"
#include "platform/codepage.h"
#include "platform/file_lock.h"
#include "platform/fs.h"
#include "text/encoding.h"
#include "text/file_open.h"
#include "util/path.h"

namespace vermark {
namespace {

platform::ByteView up_to_first_zero(platform::ByteView bytes) {
    const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    return bytes.first(static_cast<std::size_t>(zero - bytes.begin()));
}

std::u16string up_to_first_zero(std::u16string text) {
    const std::size_t zero = text.find(u'\0');
    if (zero != std::u16string::npos) text.resize(zero);
    return text;
}

// Little-endian (or, with `big_endian`, big-endian) 16-bit units up to the first zero unit. An
// odd last byte pairs with the terminating zero byte: as the low byte in little-endian data, as
// the high byte in big-endian data (whose pairs are swapped terminator included).
std::u16string utf16_units(platform::ByteView data, bool big_endian) {
    std::u16string out;
    out.reserve(data.size() / 2 + 1);
    for (std::size_t i = 0; i < data.size(); i += 2) {
        const std::uint8_t first = data[i];
        const std::uint8_t second = i + 1 < data.size() ? data[i + 1] : 0;
        const auto unit =
            static_cast<char16_t>(big_endian ? (first << 8) | second : first | (second << 8));
        if (unit == 0) break;
        out.push_back(unit);
    }
    return out;
}

// Each group of four bytes gives its low and then its high 16-bit half, zero halves dropped (so
// zero characters vanish and a character above U+FFFF gives its two halves as they are). A
// partial group at the end is read as if padded with zero bytes.
std::u16string utf32_halves(platform::ByteView data, bool big_endian) {
    std::u16string out;
    out.reserve(data.size() / 2);
    for (std::size_t i = 0; i < data.size(); i += 4) {
        std::uint8_t g[4] = {};
        for (std::size_t k = 0; k < 4 && i + k < data.size(); ++k) g[k] = data[i + k];
        if (big_endian) std::reverse(g, g + 4);
        const auto low = static_cast<char16_t>(g[0] | (g[1] << 8));
        const auto high = static_cast<char16_t>(g[2] | (g[3] << 8));
        if (low != 0) out.push_back(low);
        if (high != 0) out.push_back(high);
    }
    return out;
}

}  // namespace

platform::ByteBuffer read_file_bytes(const std::u16string& path) {
    platform::LockedFile file;
    if (!open_with_retries(file, path, platform::FileAccess::read, RetryOn::any_passing_failure)) {
        log_line(u"Can't open rb  " + path);
        return {};
    }
    const std::uint64_t size = file.size().value_or(0);
    try {
        if (size > platform::ByteBuffer().max_size()) throw std::length_error("file too large");
        platform::ByteBuffer bytes(static_cast<std::size_t>(size), 0);
        file.read(bytes.data(), bytes.size());  // a short read leaves the rest zero
        return bytes;
    } catch (const std::exception&) {  // bad_alloc or length_error: the file does not fit
        log_line(u"Can't read rb  " + path);
        return {};
    }
}

std::u16string decode_text(platform::ByteView bytes) {
    const ByteOrderMark mark = byte_order_mark(bytes);
    const TextEncoding code = mark.found ? mark.code : guess_encoding(bytes);
    // The mark is dropped; the terminating zero bytes that follow the data stop each decoder,
    // so they need not be appended here.
    const platform::ByteView data = bytes.subspan(std::min(mark.length, bytes.size()));
    switch (code) {
        case encoding::kUtf16:
            return utf16_units(data, false);
        case encoding::kUtf16Be:
            return utf16_units(data, true);
        case encoding::kUtf32:
            return utf32_halves(data, false);
        case encoding::kUtf32Be:
            return utf32_halves(data, true);
        case encoding::kUtf8:
            return platform::multibyte_to_wide(platform::kCodePageUtf8, up_to_first_zero(data));
        default:
            return platform::multibyte_to_wide(platform::kCodePageShiftJis, up_to_first_zero(data));
    }
}

std::u16string read_text_file(const std::u16string& path) {
    if (!exists(path, false)) return {};
    return decode_text(read_file_bytes(path));
}

namespace {

// Opens for reading with writers denied; only another program's lock is waited for.
bool open_for_loading(platform::LockedFile& file, const std::u16string& path, std::uint64_t& size) {
    const std::optional<platform::FileStatus> status = platform::file_status(path);
    if (!status || status->size == 0 || path.empty()) return false;
    const bool single_attempt = !exists(path, false);
    if (!open_with_retries(file, path, platform::FileAccess::read, RetryOn::sharing_violation,
                           single_attempt)) {
        return false;
    }
    size = status->size;
    return true;
}

std::u16string load_decoded(platform::ByteBuffer& buffer) {
    const std::uint8_t b0 = buffer[0], b1 = buffer[1], b2 = buffer.size() > 2 ? buffer[2] : 0;
    const platform::ByteView all(buffer);
    if (b0 == 0xFF && b1 == 0xFE) return utf16_units(all.subspan(2), false);
    if (b0 == 0xFE && b1 == 0xFF) {
        // Only the pairs of the file's own bytes are swapped: an odd last byte stays the low byte.
        const std::size_t file_size = buffer.size() - 2;
        for (std::size_t i = 0; i + 1 < file_size; i += 2) std::swap(buffer[i], buffer[i + 1]);
        return utf16_units(platform::ByteView(buffer).subspan(2), false);
    }
    if (b0 == 0xEF && b1 == 0xBB && b2 == 0xBF) {
        return up_to_first_zero(
            platform::multibyte_to_wide(platform::kCodePageUtf8, all.subspan(3)));
    }
    const std::u16string as_ansi =
        platform::multibyte_to_wide(platform::kCodePageShiftJis, up_to_first_zero(all));
    if (xml_declared_encoding(as_ansi) == encoding::kUtf8) {
        return up_to_first_zero(platform::multibyte_to_wide(platform::kCodePageUtf8, all));
    }
    return decode_text(all);
}

}  // namespace

bool load_text_file(const std::u16string& path, std::u16string& out) {
    out.clear();
    platform::LockedFile file;
    std::uint64_t size = 0;
    if (!open_for_loading(file, path, size)) return false;
    try {
        if (size > platform::ByteBuffer().max_size() - 2) throw std::length_error("file too large");
        // Two zero bytes behind the data end the text in every decoding below.
        platform::ByteBuffer buffer(static_cast<std::size_t>(size) + 2, 0);
        file.read(buffer.data(), static_cast<std::size_t>(size));
        out = load_decoded(buffer);
    } catch (const std::exception&) {
        out.clear();
        return false;
    }
    return true;
}

bool has_utf16_bom(const std::u16string& path) {
    platform::LockedFile file;
    std::uint64_t size = 0;
    if (!open_for_loading(file, path, size)) return false;
    std::uint8_t head[2] = {};
    if (file.read(head, 2) < 2) return false;
    return (head[0] == 0xFF && head[1] == 0xFE) || (head[0] == 0xFE && head[1] == 0xFF);
}

}  // namespace vermark
