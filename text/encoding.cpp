#include "text/encoding.h"

#include <algorithm>
#include <cstring>

#include "platform/text_case.h"

namespace vermark {
namespace {

// Lead byte and trail byte that Shift_JIS text shows and UTF-8 never does. A lead of 0xE0..0xFC
// followed by 0x80..0xBF is how UTF-8 three- and four-byte sequences begin, so it is no evidence.
bool is_sjis_pair(std::uint8_t lead, std::uint8_t trail) {
    if (lead >= 0x81 && lead <= 0x9F) {
        return (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC);
    }
    if (lead >= 0xE0 && lead <= 0xFC) {
        return (trail >= 0x40 && trail <= 0x7E) || (trail >= 0xC0 && trail <= 0xFC);
    }
    return false;
}

bool is_continuation(std::uint8_t b) {
    return (b & 0xC0) == 0x80;
}

// Continuation bytes a UTF-8 lead byte asks for, the old five- and six-byte forms included;
// 0 for bytes that cannot lead.
int continuations_for(std::uint8_t lead) {
    if (lead < 0xC0) return 0;
    if (lead < 0xE0) return 1;
    if (lead < 0xF0) return 2;
    if (lead < 0xF8) return 3;
    if (lead < 0xFC) return 4;
    if (lead < 0xFE) return 5;
    return 0;
}

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

std::uint64_t load_word(const std::uint8_t* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// First byte at or after p that is 0x80 or above, or end; a word at a time.
const std::uint8_t* skip_ascii(const std::uint8_t* p, const std::uint8_t* end) {
    while (end - p >= 16) {
        if (((load_word(p) | load_word(p + 8)) & kHighBits) != 0) break;
        p += 16;
    }
    while (end - p >= 8 && (load_word(p) & kHighBits) == 0) p += 8;
    while (p < end && *p < 0x80) ++p;
    return p;
}

// The longest UTF-8 sequence plus the byte after it: with this much left in a chunk, the fast
// loop can look ahead without running off its end.
constexpr std::ptrdiff_t kLookAhead = 7;

}  // namespace

ByteOrderMark byte_order_mark(platform::ByteView bytes) {
    std::uint8_t b[4];
    for (std::size_t i = 0; i < 4; ++i) b[i] = i < bytes.size() ? bytes[i] : 0xFF;
    auto mark = [](TextEncoding code, std::size_t length, std::size_t zeros) {
        return ByteOrderMark{true, code, length, zeros};
    };
    switch (b[0]) {
        case 0xFF:
            if (b[1] == 0xFE) {
                return (b[2] == 0x00 && b[3] == 0x00) ? mark(encoding::kUtf32, 4, 4)
                                                      : mark(encoding::kUtf16, 2, 2);
            }
            break;
        case 0x00:
            if (b[1] == 0x00 && b[2] == 0xFE && b[3] == 0xFF) return mark(encoding::kUtf32Be, 4, 4);
            break;
        case 0xEF:
            if (b[1] == 0xBB && b[2] == 0xBF) return mark(encoding::kUtf8, 3, 1);
            break;
        case 0xFE:
            if (b[1] == 0xFF) return mark(encoding::kUtf16Be, 2, 2);
            break;
        default:
            break;
    }
    return ByteOrderMark{};
}

TextEncoding detect_encoding(platform::ByteView bytes) {
    const ByteOrderMark mark = byte_order_mark(bytes);
    return mark.found ? mark.code : guess_encoding(bytes);
}

TextEncoding take_bom(platform::ByteBuffer& bytes) {
    const ByteOrderMark mark = byte_order_mark(bytes);
    const TextEncoding code = mark.found ? mark.code : guess_encoding(bytes);
    bytes.erase(bytes.begin(),
                bytes.begin() + static_cast<std::ptrdiff_t>(std::min(mark.length, bytes.size())));
    bytes.insert(bytes.end(), mark.zeros_appended, 0);
    return code;
}

TextEncoding guess_encoding(platform::ByteView bytes) {
    EncodingGuesser guesser;
    guesser.feed(bytes);
    return guesser.result();
}

// --- EncodingGuesser ------------------------------------------------------------------------
//
// Both passes run side by side in one sweep. The byte-wise steps carry the state across chunk
// boundaries; the fast loop handles the middle of a chunk where look-ahead is safe.

void EncodingGuesser::sjis_step(std::uint8_t b) {
    if (lead_pending_) {
        lead_pending_ = false;
        all_ascii_ = false;
        if (is_sjis_pair(lead_, b)) {
            sjis_pair_seen_ = true;
            return;
        }
        in_run_ = b >= 0x80;
    } else if (b >= 0x80) {
        if (!in_run_) {
            lead_pending_ = true;
            lead_ = b;
            in_run_ = true;
        }
    } else {
        in_run_ = false;
    }
}

void EncodingGuesser::utf8_step(std::uint8_t b) {
    if (continuations_needed_ > 0) {
        if (is_continuation(b)) {
            if (++continuations_seen_ == continuations_needed_) {
                ++valid_sequences_;
                continuations_needed_ = continuations_seen_ = 0;
            }
            return;
        }
        // The sequence is cut short: its continuation bytes count as strays on their own, and
        // this byte starts afresh.
        invalid_bytes_ += static_cast<std::uint64_t>(continuations_seen_);
        continuations_needed_ = continuations_seen_ = 0;
    }
    if (b < 0x80) return;
    const int needed = continuations_for(b);
    if (needed > 0) {
        continuations_needed_ = needed;
    } else {
        ++invalid_bytes_;  // a stray continuation byte, 0xFE or 0xFF
    }
}

void EncodingGuesser::feed(platform::ByteView chunk) {
    const std::uint8_t* p = chunk.data();
    const std::uint8_t* const end = p + chunk.size();
    const std::uint8_t* const fast_end = chunk.size() >= kLookAhead ? end - kLookAhead : p;

    while (p < end && !sjis_pair_seen_) {
        const bool settled = !lead_pending_ && continuations_needed_ == 0;
        if (!settled || p >= fast_end) {
            sjis_step(*p);
            utf8_step(*p);
            ++p;
            continue;
        }
        const std::uint8_t b = *p;
        if (b < 0x80) {
            in_run_ = false;
            p = skip_ascii(p + 1, fast_end);
            continue;
        }
        // A byte of 0x80 or above, with at least kLookAhead bytes behind it in this chunk.
        if (!in_run_) {
            all_ascii_ = false;
            if (is_sjis_pair(b, p[1])) {
                sjis_pair_seen_ = true;
                return;
            }
            in_run_ = true;  // p[1] < 0x80 ends the run on the next step
        }
        if (invalid_bytes_ != 0) {
            ++p;  // the UTF-8 pass can no longer succeed; only run starts matter now
            continue;
        }
        const int needed = continuations_for(b);
        if (needed == 0) {
            ++invalid_bytes_;
            ++p;
            continue;
        }
        int seen = 0;
        while (seen < needed && is_continuation(p[1 + seen])) ++seen;
        if (seen == needed) {
            ++valid_sequences_;
            p += 1 + needed;  // all of it 0x80 or above: still the same run
        } else {
            ++p;  // cut short: the bytes behind it are examined on their own
        }
    }
}

TextEncoding EncodingGuesser::result() const {
    if (sjis_pair_seen_) return encoding::kShiftJis;
    if (all_ascii_) return encoding::kAscii;
    // A sequence still open at the end is cut short: its continuation bytes are strays.
    const std::uint64_t invalid =
        invalid_bytes_ +
        (continuations_needed_ > 0 ? static_cast<std::uint64_t>(continuations_seen_) : 0);
    return (invalid == 0 && valid_sequences_ >= 1) ? encoding::kUtf8 : encoding::kUnknown;
}

// --- EncodingDetector -----------------------------------------------------------------------

void EncodingDetector::feed(platform::ByteView chunk) {
    const std::size_t take = std::min<std::size_t>(4 - head_size_, chunk.size());
    std::copy_n(chunk.begin(), take, head_ + head_size_);
    head_size_ += take;
    // Once four bytes show a mark, the content no longer matters.
    if (head_size_ == 4 && mark().found) return;
    if (!guesser_.decided()) guesser_.feed(chunk);
}

ByteOrderMark EncodingDetector::mark() const {
    return byte_order_mark(platform::ByteView(head_, head_size_));
}

bool EncodingDetector::decided() const {
    // With four bytes seen the mark test is final; a mark or a Shift_JIS pair ends the matter.
    if (head_size_ < 4) return false;
    return mark().found || guesser_.decided();
}

TextEncoding EncodingDetector::result() const {
    const ByteOrderMark m = mark();
    return m.found ? m.code : guesser_.result();
}

// --- Names and declarations -----------------------------------------------------------------

std::u16string encoding_name(TextEncoding code) {
    switch (code) {
        case encoding::kUnknown:
            return u"Unknown";
        case encoding::kUtf8:
            return u"UTF_8";
        case encoding::kUtf16:
            return u"UTF_16";
        case encoding::kUtf16Be:
            return u"UTF_16_BE";
        case encoding::kUtf32:
            return u"UTF_32";
        case encoding::kUtf32Be:
            return u"UTF_32_BE";
        case encoding::kAscii:
            return u"ASCII";
        case encoding::kShiftJis:
            return u"Shift_JIS";
        default:
            return u"Other";
    }
}

namespace {

constexpr std::size_t kDeclarationLines = 10;
constexpr std::size_t kValueWindow = 20;

TextEncoding encoding_in_line(std::u16string_view line) {
    const std::size_t xml = line.find(u"xml");
    if (xml == std::u16string_view::npos) return -1;
    const std::size_t enc = line.find(u"encoding", xml + 1);
    if (enc == std::u16string_view::npos) return -1;
    const std::size_t equals = line.find(u'=', enc + 1);
    const std::u16string_view window = equals == std::u16string_view::npos
                                           ? line.substr(0, kValueWindow)
                                           : line.substr(equals + 1, kValueWindow);
    if (platform::contains_ignoring_ascii_case(window, u"UTF-8")) return encoding::kUtf8;
    if (platform::contains_ignoring_ascii_case(window, u"UTF-16")) return encoding::kUtf16;
    if (platform::contains_ignoring_ascii_case(window, u"Shift_JIS")) return encoding::kShiftJis;
    return encoding::kUnknown;
}

}  // namespace

TextEncoding xml_declared_encoding(std::u16string_view text) {
    std::size_t start = 0;
    for (std::size_t line_no = 0; line_no < kDeclarationLines && start < text.size(); ++line_no) {
        const std::size_t crlf = text.find(u"\r\n", start);
        const std::size_t stop = crlf == std::u16string_view::npos ? text.size() : crlf;
        const TextEncoding code = encoding_in_line(text.substr(start, stop - start));
        if (code >= 0) return code;
        if (crlf == std::u16string_view::npos) break;
        start = crlf + 2;
    }
    return encoding::kUnknown;
}

}  // namespace vermark
