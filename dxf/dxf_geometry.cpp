// Reading a DXF drawing's entities for the preview picture: the file is streamed in chunks, turned
// into UTF-8 on the way and handed to the entity reader. Memory stays at a few chunks plus what the
// picture holds.
#include "dxf/dxf_geometry.h"

#include <algorithm>
#include <cstring>

#include "dxf/dxf_entity_reader.h"
#include "dxf/dxf_source.h"
#include "platform/codepage.h"
#include "platform/wide.h"

namespace vermark {
namespace {

// Undecoded bytes held back while waiting for the end of their line.
constexpr std::size_t kLongestHeldLine = std::size_t{1} << 20;

// Whether bytes fed in pieces are UTF-8 as the reader takes it unchanged: well-formed sequences
// and no zero byte (which would make them UTF-16 or UTF-32).
class Utf8Check {
  public:
    void feed(const std::uint8_t* bytes, std::size_t count) {
        std::size_t i = 0;
        while (i < count && valid_) {
            // Most drawings are ASCII: eight bytes at a time while no sequence is open.
            if (pending_ == 0 && count - i >= 8 && plain_ascii(bytes + i)) {
                i += 8;
                continue;
            }
            step(bytes[i++]);
        }
    }
    bool valid() const { return valid_ && pending_ == 0; }
    bool failed() const { return !valid_; }

  private:
    int pending_ = 0;  // continuation bytes still due
    bool valid_ = true;

    // Eight bytes below 0x80 and none of them zero.
    static bool plain_ascii(const std::uint8_t* at) {
        std::uint64_t word;
        std::memcpy(&word, at, sizeof word);
        constexpr std::uint64_t kLow = 0x0101010101010101, kHigh = 0x8080808080808080;
        const bool has_zero = ((word - kLow) & ~word & kHigh) != 0;
        return (word & kHigh) == 0 && !has_zero;
    }

    void step(std::uint8_t b) {
        if (pending_ > 0) {
            valid_ = (b & 0xC0) == 0x80;
            --pending_;
            return;
        }
        if (b < 0x80) {
            valid_ = b != 0;
            return;
        }
        pending_ = b >= 0xC2 && b < 0xE0   ? 1
                   : b >= 0xE0 && b < 0xF0 ? 2
                   : b >= 0xF0 && b < 0xF5 ? 3
                                           : -1;
        if (pending_ < 0) valid_ = false;
    }
};

bool is_wide(DxfLayout layout) {
    return layout != DxfLayout::bytes && layout != DxfLayout::utf8_marked;
}

// How the file's text becomes UTF-8: as it is, decoded from its bytes, or from UTF-16 units.
struct TextPlan {
    bool wide = false;
    bool as_is = true;
    unsigned code_page = platform::kCodePageUtf8;
};

// The first pass over a file without a UTF-16 or UTF-32 mark: is it UTF-8 throughout, and if
// not, which code page reads it. Stops as soon as the answer is known.
class TextPlanProbe : public DxfTextVisitor {
  public:
    explicit TextPlanProbe(std::size_t max_bytes) : max_bytes_(max_bytes) {}

    TextPlan plan() const {
        if (wide_) return {true, false, platform::kCodePageUtf8};
        if (utf8_.valid()) return {};
        const bool utf8 = marked_utf8_ || guesser_.result() == encoding::kUtf8;
        return {false, false, utf8 ? platform::kCodePageUtf8 : platform::kCodePageShiftJis};
    }

    void start(const ByteOrderMark&, DxfLayout layout) override {
        wide_ = is_wide(layout);
        marked_utf8_ = layout == DxfLayout::utf8_marked;
    }
    void raw(platform::ByteView bytes) override { seen_ += bytes.size(); }
    void units(const std::uint8_t* units, std::size_t count) override {
        utf8_.feed(units, count);
        if (!marked_utf8_) guesser_.feed(units, count);
    }
    void units(const char16_t*, std::size_t) override {}
    void odd_byte(std::uint8_t) override {}
    bool wants_more() const override {
        const bool decided = utf8_.failed() && (marked_utf8_ || guesser_.decided());
        return !wide_ && !decided && seen_ < max_bytes_;
    }

  private:
    std::size_t max_bytes_;
    std::size_t seen_ = 0;
    bool wide_ = false;
    bool marked_utf8_ = false;
    Utf8Check utf8_;
    EncodingGuesser guesser_;
};

// The second pass: the text, as UTF-8, into the entity reader. Decoded text ends at its first
// zero character, as whole-file decoding has it.
class EntityFeeder : public DxfTextVisitor {
  public:
    EntityFeeder(DxfEntityReader& reader, TextPlan plan, std::size_t max_bytes)
        : reader_(reader), plan_(plan), max_bytes_(max_bytes) {}

    void start(const ByteOrderMark&, DxfLayout) override {}
    void raw(platform::ByteView bytes) override {
        const std::size_t room = max_bytes_ - std::min(max_bytes_, seen_);
        allowed_ = std::min(room, bytes.size());
        seen_ += bytes.size();
    }
    void units(const std::uint8_t* units, std::size_t count) override {
        const std::string_view text(reinterpret_cast<const char*>(units),
                                    std::min(count, allowed_));
        if (plan_.as_is) {
            more_ = reader_.feed(text);
        } else {
            decode_bytes(text);
        }
    }
    void units(const char16_t* units, std::size_t count) override {
        std::u16string_view text(units, std::min(count, allowed_ / 2));
        const std::size_t zero = text.find(u'\0');
        if (zero != std::u16string_view::npos) {
            text = text.substr(0, zero);
            ended_ = true;
        }
        wide_.append(text);
        // A pair is completed by the next chunk's first unit.
        const bool split_pair =
            !ended_ && !wide_.empty() && wide_.back() >= 0xD800 && wide_.back() <= 0xDBFF;
        const std::size_t take = wide_.size() - (split_pair ? 1 : 0);
        more_ = reader_.feed(platform::to_utf8(std::u16string_view(wide_).substr(0, take)));
        wide_.erase(0, take);
    }
    void odd_byte(std::uint8_t) override {}
    bool wants_more() const override { return more_ && !ended_ && seen_ < max_bytes_; }

    // What the data's end completes.
    void finish() {
        if (!bytes_.empty() && more_)
            reader_.feed(platform::to_utf8(platform::multibyte_to_wide(plan_.code_page, bytes_)));
        if (!wide_.empty() && more_) reader_.feed(platform::to_utf8(wide_));
        bytes_.clear();
        wide_.clear();
    }

  private:
    DxfEntityReader& reader_;
    TextPlan plan_;
    std::size_t max_bytes_;
    std::size_t seen_ = 0, allowed_ = 0;
    bool more_ = true, ended_ = false;
    std::string bytes_;    // undecoded bytes after the last line end
    std::u16string wide_;  // a high surrogate waiting for its partner

    // Whole lines are decoded at a time: no line end is part of a multi-byte character, so the
    // pieces decode as the whole would.
    void decode_bytes(std::string_view text) {
        const std::size_t zero = text.find('\0');
        if (zero != std::string_view::npos) {
            text = text.substr(0, zero);
            ended_ = true;
        }
        bytes_.append(text);
        std::size_t take = bytes_.rfind('\n');
        take = take == std::string::npos ? 0 : take + 1;
        // A line that long is cut by the reader anyway: a character split at its end is no loss.
        if (take == 0 && bytes_.size() >= kLongestHeldLine) take = bytes_.size();
        if (take == 0) return;
        more_ = reader_.feed(platform::to_utf8(platform::multibyte_to_wide(
            plan_.code_page, std::string_view(bytes_).substr(0, take))));
        bytes_.erase(0, take);
    }
};

}  // namespace

DxfGeometry parse_dxf_geometry(std::string_view utf8_text, const DxfReadLimits& limits) {
    if (utf8_text.empty()) return {};
    DxfEntityReader reader(limits);
    reader.feed(utf8_text.substr(0, std::min(utf8_text.size(), limits.max_input_bytes)));
    return reader.finish();
}

DxfGeometry read_dxf_geometry(const std::u16string& path, const DxfReadLimits& limits) {
    TextPlanProbe probe(limits.max_input_bytes);
    if (!read_dxf_text(path, probe).complete) return {};
    DxfEntityReader reader(limits);
    EntityFeeder feeder(reader, probe.plan(), limits.max_input_bytes);
    if (!read_dxf_text(path, feeder).complete) return {};
    feeder.finish();
    return reader.finish();
}

}  // namespace vermark
