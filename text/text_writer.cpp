#include "text/text_writer.h"

#include <chrono>

#include "diag/log.h"
#include "platform/acp.h"
#include "platform/codepage.h"
#include "platform/file_lock.h"
#include "platform/fs.h"
#include "platform/retry.h"
#include "text/file_open.h"
#include "text/text_reader.h"
#include "util/path.h"

namespace vermark {
namespace {

constexpr int kLastRewrite = 10;  // highest counter that still allows another rewrite
constexpr std::chrono::milliseconds kRewritePause{10};
constexpr std::uint8_t kUtf8Mark[] = {0xEF, 0xBB, 0xBF};
constexpr std::uint8_t kUtf16Mark[] = {0xFF, 0xFE};
constexpr char16_t kMarkCharacter = 0xFEFF;

std::u16string_view up_to_first_zero(std::u16string_view text) {
    return text.substr(0, text.find(u'\0'));
}

void append_utf16le(platform::ByteBuffer& out, std::u16string_view text) {
    out.reserve(out.size() + text.size() * 2);
    for (const char16_t unit : text) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
}

std::uint64_t size_on_disk(const std::u16string& path) {
    const auto status = platform::file_status(path);
    return status ? status->size : 0;
}

// The framework writers: create, read-write, exclusive; the file is emptied, then `bytes` go in.
bool store_exclusively(const std::u16string& path, platform::ByteView bytes) {
    if (path.empty()) return false;
    platform::LockedFile file;
    // A file that is not there yet gets one plain try first; then only other programs' locks
    // are waited for.
    bool opened = !exists(path, false) &&
                  file.open(path, platform::FileAccess::read_write) == platform::OpenFailure::none;
    if (!opened) {
        opened = open_with_retries(file, path, platform::FileAccess::read_write,
                                   RetryOn::sharing_violation);
    }
    if (!opened) return false;
    const bool written = file.truncate() && file.write_all(bytes.data(), bytes.size());
    return file.close() && written;
}

}  // namespace

bool write_file_bytes(const std::u16string& path, platform::ByteView bytes, int rewrite) {
    platform::LockedFile file;
    if (!open_with_retries(file, path, platform::FileAccess::write_truncate,
                           RetryOn::any_passing_failure)) {
        log_line(u"Can't open wb  " + path);
        return false;
    }
    const bool written = file.write_all(bytes.data(), bytes.size());
    const bool closed = file.close();
    if (bytes.empty()) return closed;
    if (written && closed && size_on_disk(path) != 0) return true;
    // Still empty: try again a few times (something may have emptied it behind us). A write that
    // failed part way is a failure, never a success.
    if (size_on_disk(path) == 0 && rewrite <= kLastRewrite) {
        platform::pause_before_retry(kRewritePause);
        return write_file_bytes(path, bytes, rewrite + 1);
    }
    if (!written || !closed) log_line(u"Can't write wb  " + path);
    return false;
}

platform::ByteBuffer utf8_bytes(std::u16string_view text, bool with_mark) {
    const platform::MultiByteResult converted =
        platform::wide_to_multibyte(platform::kCodePageUtf8, up_to_first_zero(text));
    platform::ByteBuffer out;
    out.reserve(converted.bytes.size() + 3);
    if (with_mark) out.assign(std::begin(kUtf8Mark), std::end(kUtf8Mark));
    out.insert(out.end(), converted.bytes.begin(), converted.bytes.end());
    return out;
}

platform::ByteBuffer utf16_bytes(std::u16string_view text, bool with_mark) {
    platform::ByteBuffer out;
    if (with_mark) out.assign(std::begin(kUtf16Mark), std::end(kUtf16Mark));
    append_utf16le(out, up_to_first_zero(text));
    return out;
}

platform::ByteBuffer sjis_bytes(std::u16string_view text) {
    const platform::MultiByteResult converted =
        platform::wide_to_multibyte(platform::kCodePageShiftJis, up_to_first_zero(text), '_');
    return platform::ByteBuffer(converted.bytes.begin(), converted.bytes.end());
}

bool write_utf8_text(const std::u16string& path, std::u16string_view text, bool with_mark) {
    return write_file_bytes(path, utf8_bytes(text, with_mark));
}

bool write_utf16_text(const std::u16string& path, std::u16string_view text, bool with_mark) {
    return write_file_bytes(path, utf16_bytes(text, with_mark));
}

bool write_unicode_text(const std::u16string& path, std::u16string_view text) {
    const std::size_t body = text.find_first_not_of(kMarkCharacter);
    // A text of marks only (or none) keeps them all; otherwise the leading marks become one.
    if (body != std::u16string_view::npos) text.remove_prefix(body);
    platform::ByteBuffer out(std::begin(kUtf16Mark), std::end(kUtf16Mark));
    append_utf16le(out, text);
    return write_file_bytes(path, out);
}

bool write_sjis_text(const std::u16string& path, std::u16string_view text) {
    return write_file_bytes(path, sjis_bytes(text));
}

bool save_text_file(const std::u16string& path, std::u16string_view text, bool unicode) {
    if (path.empty()) return false;
    if (!unicode && platform::active_code_page() == platform::kCodePageShiftJis) {
        const std::u16string_view kept = up_to_first_zero(text);
        const platform::MultiByteResult ansi =
            platform::wide_to_multibyte(platform::kCodePageShiftJis, kept);
        // Near matches count as lost too: U+2212 would be stored as the byte pair that reads
        // back as U+FF0D, and U+00A5 as a backslash.
        if (!ansi.used_default &&
            platform::multibyte_to_wide(platform::kCodePageShiftJis, ansi.bytes) == kept) {
            const auto* data = reinterpret_cast<const std::uint8_t*>(ansi.bytes.data());
            return store_exclusively(path, platform::ByteView(data, ansi.bytes.size()));
        }
    }
    platform::ByteBuffer out(std::begin(kUtf16Mark), std::end(kUtf16Mark));
    append_utf16le(out, text);
    return store_exclusively(path, out);
}

bool convert_to_utf16_file(const std::u16string& path) {
    if (has_utf16_bom(path)) return true;
    std::u16string text;
    // A missing or empty file becomes a bare mark; one with contents that could not be read
    // (held by another program all along) is left alone rather than emptied.
    if (!load_text_file(path, text) && exists(path, true)) return false;
    if (path.empty()) return false;
    return store_exclusively(path, utf16_bytes(text, true));
}

}  // namespace vermark
