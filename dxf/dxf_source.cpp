#include "dxf/dxf_source.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/c_numbers.h"
#include "platform/file_lock.h"
#include "platform/retry.h"
#include "platform/wide.h"

namespace vermark {
namespace {

bool is_high_surrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

std::size_t group_size(DxfLayout layout) {
    return layout == DxfLayout::utf16_be ? 2 : 4;
}

// Turns the bytes after the mark into the visitor's unit calls, carrying what a chunk cuts.
class UnitFeeder {
  public:
    UnitFeeder(DxfLayout layout, DxfTextVisitor& visitor)
        : layout_(layout), visitor_(visitor), decoder_(layout) {}

    void feed(platform::ByteView text) {
        switch (layout_) {
            case DxfLayout::bytes:
            case DxfLayout::utf8_marked:
                visitor_.units(text.data(), text.size());
                break;
            case DxfLayout::utf16_le:
                feed_utf16_le(text);
                break;
            default:
                wide_.clear();
                decoder_.decode(text, wide_);
                if (!wide_.empty()) visitor_.units(wide_.data(), wide_.size());
                break;
        }
    }

    void finish() {
        if (layout_ == DxfLayout::utf16_le) {
            if (odd_) visitor_.odd_byte(odd_byte_);
        } else if (is_converted(layout_)) {
            wide_.clear();
            decoder_.finish(wide_);
            if (!wide_.empty()) visitor_.units(wide_.data(), wide_.size());
        }
    }

  private:
    void feed_utf16_le(platform::ByteView text) {
        wide_.clear();
        std::size_t i = 0;
        if (odd_ && !text.empty()) {
            wide_.push_back(static_cast<char16_t>(odd_byte_ | (text[0] << 8)));
            odd_ = false;
            i = 1;
        }
        for (; i + 1 < text.size(); i += 2) {
            wide_.push_back(static_cast<char16_t>(text[i] | (text[i + 1] << 8)));
        }
        if (i < text.size()) {
            odd_ = true;
            odd_byte_ = text[i];
        }
        if (!wide_.empty()) visitor_.units(wide_.data(), wide_.size());
    }

    DxfLayout layout_;
    DxfTextVisitor& visitor_;
    WideDecoder decoder_;
    std::u16string wide_;
    bool odd_ = false;
    std::uint8_t odd_byte_ = 0;
};

}  // namespace

DxfLayout layout_of(const ByteOrderMark& mark) {
    if (!mark.found) return DxfLayout::bytes;
    switch (mark.code) {
        case encoding::kUtf8:
            return DxfLayout::utf8_marked;
        case encoding::kUtf16:
            return DxfLayout::utf16_le;
        case encoding::kUtf16Be:
            return DxfLayout::utf16_be;
        case encoding::kUtf32:
            return DxfLayout::utf32_le;
        case encoding::kUtf32Be:
            return DxfLayout::utf32_be;
        default:
            return DxfLayout::bytes;
    }
}

bool is_converted(DxfLayout layout) {
    return layout == DxfLayout::utf16_be || layout == DxfLayout::utf32_le ||
           layout == DxfLayout::utf32_be;
}

// --- reading --------------------------------------------------------------------------------

namespace {

// Another program may hold the drawing without read sharing: wait for it as every open of the
// program waits (100 attempts, 100 ms apart), then give up.
int open_input(InputFile& file, const std::u16string& path) {
    int error = 0;
    platform::retry(platform::open_retry_policy(), [&] {
        error = file.open(path);
        if (error == 0) return platform::Attempt::succeeded;
        return platform::means_sharing_violation(error) ? platform::Attempt::failed_for_now
                                                        : platform::Attempt::failed_for_good;
    });
    return error;
}

}  // namespace

ReadOutcome read_dxf_text(const std::u16string& path, DxfTextVisitor& visitor,
                          std::size_t chunk_size) {
    ReadOutcome outcome;
    InputFile file;
    outcome.error = open_input(file, path);
    if (outcome.error != 0) return outcome;
    outcome.opened = true;

    // Not zeroed: for a small drawing, clearing the buffer cost more than reading it.
    const std::size_t buffer_size = std::max<std::size_t>(chunk_size, 4);
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(buffer_size);
    std::uint8_t* target = buffer.get();
    std::size_t count = file.read(target, buffer_size);
    const platform::ByteView first(target, count);
    const ByteOrderMark mark = byte_order_mark(first);
    const DxfLayout layout = layout_of(mark);
    visitor.start(mark, layout);
    UnitFeeder feeder(layout, visitor);

    std::size_t skip = std::min(mark.found ? mark.length : 0, count);  // the mark is no text
    while (count > 0) {
        const platform::ByteView chunk(target, count);
        visitor.raw(chunk);
        feeder.feed(chunk.subspan(skip));
        skip = 0;
        if (!visitor.wants_more()) {
            outcome.complete = true;
            return outcome;
        }
        const std::span<std::uint8_t> offered = visitor.next_buffer(buffer_size);
        target = offered.size() >= buffer_size ? offered.data() : buffer.get();
        count = file.read(target, buffer_size);
    }
    outcome.error = file.error();
    if (outcome.error != 0) return outcome;
    feeder.finish();
    outcome.complete = true;
    return outcome;
}

// --- WideDecoder ----------------------------------------------------------------------------

void WideDecoder::decode(platform::ByteView bytes, std::u16string& out) {
    const std::size_t size = group_size(layout_);
    std::size_t i = 0;
    while (i < bytes.size() && !ended_) {
        if (carried_ == 0 && bytes.size() - i >= size) {
            put_group(bytes.data() + i, out);
            i += size;
            continue;
        }
        carry_[carried_++] = bytes[i++];
        if (carried_ == size) {
            put_group(carry_, out);
            carried_ = 0;
        }
    }
    if (ended_) return;
    // A pair is completed by the next chunk's first unit.
    if (!out.empty() && is_high_surrogate(out.back())) {
        held_ = out.back();
        out.pop_back();
    }
}

void WideDecoder::finish(std::u16string& out) {
    if (!ended_ && carried_ > 0) {
        std::uint8_t padded[4] = {};
        std::copy_n(carry_, carried_, padded);
        put_group(padded, out);
    }
    carried_ = 0;
    if (held_ != 0 && !ended_) out.push_back(held_);
    held_ = 0;
    ended_ = true;
}

void WideDecoder::put(char16_t unit, std::u16string& out) {
    if (held_ != 0) {
        out.push_back(held_);
        held_ = 0;
    }
    out.push_back(unit);
}

void WideDecoder::put_group(const std::uint8_t* group, std::u16string& out) {
    if (layout_ == DxfLayout::utf16_be) {
        const auto unit = static_cast<char16_t>((group[0] << 8) | group[1]);
        if (unit == 0) {
            // The text ends here; a surrogate held for a partner that never came stays with it.
            if (held_ != 0) out.push_back(held_);
            held_ = 0;
            ended_ = true;
            return;
        }
        put(unit, out);
        return;
    }
    std::uint8_t g[4] = {group[0], group[1], group[2], group[3]};
    if (layout_ == DxfLayout::utf32_be) std::reverse(g, g + 4);
    const auto low = static_cast<char16_t>(g[0] | (g[1] << 8));
    const auto high = static_cast<char16_t>(g[2] | (g[3] << 8));
    if (low != 0) put(low, out);
    if (high != 0) put(high, out);
}

std::u16string cut_at_zero(std::u16string text) {
    const std::size_t zero = text.find(u'\0');
    if (zero != std::u16string::npos) text.resize(zero);
    return text;
}

}  // namespace vermark
