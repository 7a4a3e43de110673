// Reads a DXF file in chunks and hands it on twice: as the file's raw bytes, and as the code units
// of its text, chosen by its byte-order mark (bytes, UTF-16 as it is, or UTF-16 decoded from
// big-endian UTF-16 or UTF-32). The file is only opened for reading; memory stays at a few chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/fs.h"
#include "text/byte_buffer.h"
#include "text/encoding.h"

namespace vermark {

// How the file's bytes become text units.
enum class DxfLayout {
    bytes,        // no mark: single- and multi-byte text (Shift_JIS, UTF-8, ASCII...)
    utf8_marked,  // EF BB BF, then bytes; the mark is not part of the text
    utf16_le,     // FF FE, then little-endian units; the mark is not part of the text
    utf16_be,     // FE FF: decoded, and ends at the first zero unit
    utf32_le,     // FF FE 00 00: decoded, zero halves dropped
    utf32_be,     // 00 00 FE FF: decoded, zero halves dropped
};

DxfLayout layout_of(const ByteOrderMark& mark);

// True for the layouts whose text is decoded rather than kept byte for byte.
bool is_converted(DxfLayout layout);

// What the reader hands out, in this order: start, then for each chunk raw and one of the units
// forms, then odd_byte when a UTF-16 file has an odd number of bytes after its mark.
class DxfTextVisitor {
  public:
    virtual ~DxfTextVisitor() = default;
    virtual void start(const ByteOrderMark& mark, DxfLayout layout) = 0;
    virtual void raw(platform::ByteView bytes) = 0;
    virtual void units(const std::uint8_t* units, std::size_t count) = 0;
    virtual void units(const char16_t* units, std::size_t count) = 0;
    virtual void odd_byte(std::uint8_t byte) = 0;
    // Asked after each chunk: false stops the reading.
    virtual bool wants_more() const = 0;
    // Where the next chunk of `size` bytes should be read to: a visitor that keeps chunks
    // (to write them on) saves a copy this way. Empty: the reader's own buffer.
    virtual std::span<std::uint8_t> next_buffer(std::size_t /*size*/) { return {}; }
};

struct ReadOutcome {
    bool opened = false;
    bool complete = false;  // read to the end (or stopped by the visitor) without an error
    int error = 0;          // errno of a failed open or read
};

// Reads the file and feeds the visitor. Chunks are `chunk_size` bytes (the last may be shorter).
ReadOutcome read_dxf_text(const std::u16string& path, DxfTextVisitor& visitor,
                          std::size_t chunk_size = 256 * 1024);

// Drawings are read from regular files only: a FIFO or a device in a drawing's place would
// block the reader or never end.
using InputFile = platform::ReadFile;

// Decodes big-endian UTF-16 and UTF-32 chunk by chunk as whole-buffer decoding does: UTF-16 up to
// its first zero unit (an odd last byte is the high byte of a last unit), UTF-32 as its 16-bit
// halves, low half first, zero halves dropped (a partial last group padded with zero bytes).
// A high surrogate at the end of a chunk is held back so that a pair is never split.
class WideDecoder {
  public:
    explicit WideDecoder(DxfLayout layout) : layout_(layout) {}
    // Appends the units decoded from `bytes` to `out`.
    void decode(platform::ByteView bytes, std::u16string& out);
    // Appends what the end of the data completes.
    void finish(std::u16string& out);
    // True once the text has ended (UTF-16's zero unit): later bytes give nothing.
    bool ended() const { return ended_; }

  private:
    void put(char16_t unit, std::u16string& out);
    void put_group(const std::uint8_t* group, std::u16string& out);

    DxfLayout layout_;
    std::uint8_t carry_[4] = {};
    std::size_t carried_ = 0;
    bool ended_ = false;
    char16_t held_ = 0;  // a high surrogate waiting for its partner
};

// The text up to its first zero character (decoded file text ends there).
std::u16string cut_at_zero(std::u16string text);

}  // namespace vermark
