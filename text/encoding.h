// Which of a small fixed set of encodings a byte buffer is in, the encodings' display names, and
// the encoding named by an XML-style declaration. Pure logic: no files, no platform calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/byte_buffer.h"

namespace vermark {

// A plain integer code; values other than those below are possible and are named "Other".
using TextEncoding = int;

namespace encoding {
inline constexpr TextEncoding kUnknown = 0;
inline constexpr TextEncoding kUtf8 = 8;
inline constexpr TextEncoding kUtf16 = 16;  // little-endian, recognised by its mark only
inline constexpr TextEncoding kUtf16Be = 17;
inline constexpr TextEncoding kUtf32 = 32;  // little-endian, recognised by its mark only
inline constexpr TextEncoding kUtf32Be = 33;
inline constexpr TextEncoding kAscii = 65;
inline constexpr TextEncoding kShiftJis = 74;
}  // namespace encoding

// What the first four bytes say. `found` is false when no mark matched: the content guess then
// decides, nothing is removed and one zero byte terminates the text.
struct ByteOrderMark {
    bool found = false;
    TextEncoding code = encoding::kUnknown;
    std::size_t length = 0;          // bytes of the mark (may exceed the buffer: FE alone is 17)
    std::size_t zeros_appended = 1;  // zero bytes that terminate the decoded text
};

// The mark test alone, over the first four bytes; bytes the buffer lacks count as 0xFF.
ByteOrderMark byte_order_mark(platform::ByteView bytes);

// The code by the mark, or by the content guess over the whole buffer. Never fails.
TextEncoding detect_encoding(platform::ByteView bytes);
inline TextEncoding detect_encoding(const platform::ByteBuffer& bytes) {
    return detect_encoding(platform::ByteView(bytes));
}

// As detect_encoding, then removes the mark from the front and appends the code's terminating
// zero bytes (4 for UTF-32, 2 for UTF-16, 1 otherwise).
TextEncoding take_bom(platform::ByteBuffer& bytes);

// The content guess for unmarked bytes: kShiftJis, kAscii, kUtf8 or kUnknown.
TextEncoding guess_encoding(platform::ByteView bytes);
inline TextEncoding guess_encoding(const platform::ByteBuffer& bytes) {
    return guess_encoding(platform::ByteView(bytes));
}

// The content guess over data that arrives in pieces. Gives exactly guess_encoding's answer for
// the concatenation of everything fed, however it was cut. No allocation.
class EncodingGuesser {
  public:
    void feed(platform::ByteView chunk);
    void feed(const std::uint8_t* data, std::size_t size) { feed(platform::ByteView(data, size)); }
    // True once a Shift_JIS pair was seen: the answer can no longer change, feeding may stop.
    bool decided() const { return sjis_pair_seen_; }
    TextEncoding result() const;

  private:
    // Shift_JIS/ASCII pass: runs of bytes >= 0x80, each tested at its first byte and the next.
    bool sjis_pair_seen_ = false;
    bool all_ascii_ = true;
    bool lead_pending_ = false;  // a run's first byte waits for the byte after it
    bool in_run_ = false;        // inside a run that is already tested
    std::uint8_t lead_ = 0;
    // UTF-8 pass: a lead byte waiting for its continuation bytes.
    int continuations_needed_ = 0;
    int continuations_seen_ = 0;
    std::uint64_t valid_sequences_ = 0;
    std::uint64_t invalid_bytes_ = 0;

    void sjis_step(std::uint8_t b);
    void utf8_step(std::uint8_t b);
};

// The whole detection over data that arrives in pieces: mark test on the first four bytes, the
// content guess over everything. Same answer as detect_encoding on the concatenation.
class EncodingDetector {
  public:
    void feed(platform::ByteView chunk);
    void feed(const std::uint8_t* data, std::size_t size) { feed(platform::ByteView(data, size)); }
    // True when more input cannot change the answer.
    bool decided() const;
    TextEncoding result() const;
    ByteOrderMark mark() const;  // the mark test on what has been seen (missing bytes read 0xFF)

  private:
    std::uint8_t head_[4] = {};
    std::size_t head_size_ = 0;
    EncodingGuesser guesser_;
};

// The display name: "UTF_8", "Shift_JIS", ...; 0 gives "Unknown", codes not in the table "Other".
std::u16string encoding_name(TextEncoding code);

// 8, 16, 74 or 0 from an encoding declaration ("<?xml ... encoding=...") in the first ten
// CR LF lines of the text.
TextEncoding xml_declared_encoding(std::u16string_view text);

}  // namespace vermark
