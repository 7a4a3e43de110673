#include "dxf/dxf_stamp.h"

#include <span>
#include <vector>

#include "dxf/dxf_finders.h"
#include "dxf/dxf_refusal.h"
#include "dxf/dxf_source.h"
#include "dxf/write_behind.h"
#include "platform/c_numbers.h"
#include "platform/codepage.h"
#include "platform/path_separator.h"
#include "platform/safe_replace.h"
#include "text/text_reader.h"

namespace vermark {
namespace {

std::u16string group_text(LineEnd end) {
    const std::u16string_view le = line_end_text(end);
    std::u16string text;
    for (std::u16string_view line : {u"  9", u"$ACADVER", u"  1", u"AC1008"}) {
        text += line;
        text += le;
    }
    return text;
}

// The copy is made again from the input, which is never changed, so it is not synced: a sync
// of a large drawing costs seconds, and cp does not sync either. Group and others get no more
// than they have on the input, so a copy of a private drawing stays private.
platform::ReplaceOptions copy_options(const std::u16string& input) {
    platform::ReplaceOptions options;
    options.flush = platform::Flush::to_cache;
    options.narrow_like = input;
    // A link named like its own copy: renaming the copy over it would lose the drawing.
    options.keep_target_if_same_as = input;
    return options;
}

// Streams the text into the staged copy, the group spliced in at the HEADER section, in the
// layout's own form: bytes as they are, UTF-16 units as they are (mark kept), converted text as
// Shift_JIS. Where the bytes are kept, the chunks behind the one that completes the shown head
// are the input's own bytes: they go to the copy as read, written on a second thread while the
// next chunk is read and searched ("$ACADVER" further on still means no copy at all). The
// kernel's file-to-file copy was slower here: the group shifts every later byte off the page
// grid, and the kernel then writes each page of the copy in two pieces.
class StampVisitor : public DxfTextVisitor {
  public:
    StampVisitor(platform::StagedReplacement& out, const std::u16string& input,
                 const std::u16string& target)
        : out_(out), input_(input), target_(target), tail_(out) {}
    StampVisitor(const StampVisitor&) = delete;
    StampVisitor& operator=(const StampVisitor&) = delete;

    void start(const ByteOrderMark& mark, DxfLayout layout) override {
        layout_ = layout;
        mark_length_ = mark.found ? mark.length : 0;
        create_error_ = out_.begin(target_, copy_options(input_));
        if (layout == DxfLayout::utf16_le) write(platform::ByteView(kUtf16Mark, 2));
    }
    void raw(platform::ByteView bytes) override {
        if (!in_tail_ && tail_due()) in_tail_ = true;
        if (in_tail_ && !finders_.acadver_found()) tail_.write(bytes);
        bytes_read_ += bytes.size();
        last_chunk_ = bytes.size();
        if (layout_ == DxfLayout::bytes && !detector_.decided()) detector_.feed(bytes);
    }
    void units(const std::uint8_t* units, std::size_t count) override { take(units, count); }
    void units(const char16_t* units, std::size_t count) override { take(units, count); }
    void odd_byte(std::uint8_t byte) override {
        odd_ = true;
        odd_byte_ = byte;
    }
    // Chunks that go to the copy as read are read straight into the writer's next slot. After a
    // short chunk the file has ended: no writer is started for a small drawing.
    std::span<std::uint8_t> next_buffer(std::size_t size) override {
        if (last_chunk_ < size || finders_.acadver_found() || (!in_tail_ && !tail_due())) return {};
        return tail_.free_slot(size);
    }
    // Reading goes on after a failed create or write: a drawing that is skipped anyway (a
    // version further on, no HEADER section) is reported as skipped, not as a failure.
    bool wants_more() const override {
        return !finders_.acadver_found() || !finders_.window_full();
    }

    // After the last chunk: the group when it goes at the very end, then a UTF-16 odd byte
    // (part of the tail when that is copied).
    void finish() {
        finders_.finish();
        if (!finders_.acadver_found() && finders_.header_found() && !inserted_ &&
            finders_.insert_at() == units_seen_) {
            write_group();
        }
        if (odd_ && !in_tail_) write(platform::ByteView(&odd_byte_, 1));
        tail_.finish();
    }

    int create_error() const { return create_error_; }
    const TextFinders& finders() const { return finders_; }
    bool inserted() const { return inserted_; }
    const platform::ByteBuffer& head() const { return head_; }

    TextEncoding output_code() const {
        switch (layout_) {
            case DxfLayout::utf8_marked:
                return encoding::kUtf8;
            case DxfLayout::utf16_le:
                return encoding::kUtf16;
            case DxfLayout::bytes:
                return detector_.result();  // its bytes are kept
            default:
                return encoding::kShiftJis;
        }
    }
    // The code page a version found in byte text is read with.
    TextEncoding byte_text_code() const {
        return layout_ == DxfLayout::utf8_marked ? encoding::kUtf8 : detector_.result();
    }

  private:
    static constexpr std::uint8_t kUtf16Mark[2] = {0xFF, 0xFE};

    template <class Unit>
    void take(const Unit* units, std::size_t count) {
        finders_.units(units, count);
        // The staged copy belongs to the tail's writer from here on: not even its error is read.
        if (in_tail_) {
            units_seen_ += count;
            return;
        }
        // Once "$ACADVER" is seen nothing will be kept: stop writing.
        if (finders_.acadver_found() || create_error_ != 0 || out_.error() != 0) return;
        const bool due =
            finders_.header_found() && !inserted_ && finders_.insert_at() <= units_seen_ + count;
        if (!due) {
            emit(units, count);
        } else {
            // One write for the three parts: for a small drawing, one for the whole copy.
            gathering_ = true;
            const auto split = static_cast<std::size_t>(finders_.insert_at() - units_seen_);
            emit(units, split);
            write_group();
            emit(units + split, count - split);
            gathering_ = false;
            out_.write(std::span<const platform::ByteView>(pieces_));
            pieces_.clear();
            owned_.clear();
        }
        units_seen_ += count;
    }

    // The next chunk's bytes are the copy's own once the group is in and the head is full,
    // while the bytes are kept and the chunk starts on a unit (an odd byte carried over from the
    // last chunk would be written twice).
    bool tail_due() const {
        if (!inserted_ || head_.size() < kDxfHeadLimit || is_converted(layout_)) return false;
        if (create_error_ != 0 || out_.error() != 0 || finders_.acadver_found()) return false;
        const std::uint64_t unit_size = layout_ == DxfLayout::utf16_le ? 2 : 1;
        return mark_length_ + units_seen_ * unit_size == bytes_read_;
    }

    // The chunk's own bytes outlast a gathered write: they need no copy.
    void emit(const std::uint8_t* units, std::size_t count) {
        write(platform::ByteView(units, count), true);
    }

    void emit(const char16_t* units, std::size_t count) {
        if (count == 0) return;
        if (layout_ == DxfLayout::utf16_le) {
            bytes_.resize(2 * count);
            for (std::size_t i = 0; i < count; ++i) {
                bytes_[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
                bytes_[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
            }
            write(bytes_);
        } else {
            const platform::MultiByteResult sjis = platform::wide_to_multibyte(
                platform::kCodePageShiftJis, std::u16string_view(units, count), '_');
            write(platform::ByteView(reinterpret_cast<const std::uint8_t*>(sjis.bytes.data()),
                                     sjis.bytes.size()));
        }
    }

    void write_group() {
        inserted_ = true;
        const std::u16string group = group_text(finders_.line_end());
        if (layout_ == DxfLayout::utf16_le) {
            emit(group.data(), group.size());
            return;
        }
        std::string ascii(group.begin(), group.end());
        write(
            platform::ByteView(reinterpret_cast<const std::uint8_t*>(ascii.data()), ascii.size()));
    }

    // `lasting`: the bytes stay where they are until the gathered write is made.
    void write(platform::ByteView bytes, bool lasting = false) {
        if (head_.size() < kDxfHeadLimit) {
            const std::size_t keep = std::min(bytes.size(), kDxfHeadLimit - head_.size());
            head_.insert(head_.end(), bytes.begin(), bytes.begin() + keep);
        }
        if (gathering_) {
            if (!lasting) {
                owned_.emplace_back(bytes.begin(), bytes.end());
                bytes = owned_.back();  // a moved buffer keeps its bytes where they are
            }
            pieces_.push_back(bytes);
        } else {
            out_.write(bytes.data(), bytes.size());
        }
    }

    platform::StagedReplacement& out_;
    const std::u16string& input_;
    const std::u16string& target_;
    DxfLayout layout_ = DxfLayout::bytes;
    int create_error_ = 0;
    EncodingDetector detector_;
    TextFinders finders_;
    std::uint64_t units_seen_ = 0;
    std::size_t mark_length_ = 0;
    std::uint64_t bytes_read_ = 0;
    std::size_t last_chunk_ = 0;
    WriteBehind tail_;
    bool in_tail_ = false;  // the chunks go to tail_ as read
    bool inserted_ = false;
    bool gathering_ = false;
    std::vector<platform::ByteView> pieces_;   // the parts of one gathered write
    std::vector<platform::ByteBuffer> owned_;  // the parts that had to be copied
    bool odd_ = false;
    std::uint8_t odd_byte_ = 0;
    platform::ByteBuffer bytes_;
    platform::ByteBuffer head_;
};

std::u16string write_failure_text(int error, const std::u16string& target) {
    if (platform::means_disk_full(error)) return u"disk full while writing " + target;
    return u"cannot write " + target + u": " + error_text(error);
}

StampResult refused(StampResult result, DxfRefusal refusal, std::u16string reason) {
    result.outcome = StampOutcome::not_eligible;
    result.refusal = refusal;
    result.reason = std::move(reason);
    return result;
}

StampResult failed(StampResult result, StampFailure failure, int error, std::u16string reason) {
    result.outcome = StampOutcome::failed;
    result.failure = failure;
    result.error = error;
    result.reason = std::move(reason);
    return result;
}

}  // namespace

std::u16string stamped_path_of(const std::u16string& path) {
    // Only the file system's separators count: the path names a real file, so the copy stays in
    // its folder.
    const std::size_t slash = path.find_last_of(platform::kFileSystemSeparators);
    const std::size_t name_at = slash == std::u16string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind(u'.');
    const std::size_t stem_end = dot == std::u16string::npos || dot < name_at ? path.size() : dot;
    return path.substr(0, stem_end) + std::u16string(kStampedExtension);
}

std::u16string_view outcome_word(StampOutcome outcome) {
    switch (outcome) {
        case StampOutcome::written:
            return u"written";
        case StampOutcome::not_eligible:
            return u"skipped";
        case StampOutcome::failed:
            break;
    }
    return u"error";
}

StampResult stamp_dxf(const std::u16string& path, StampHead head) {
    StampResult result;
    result.output_path = stamped_path_of(path);
    platform::StagedReplacement staged;
    StampVisitor visitor(staged, path, result.output_path);
    const ReadOutcome read = read_dxf_text(path, visitor);
    if (!read.opened || !read.complete) {
        return failed(result, read.opened ? StampFailure::cannot_read : StampFailure::cannot_open,
                      read.error, read_failure_text(read));
    }
    visitor.finish();

    const TextFinders& finders = visitor.finders();
    if (finders.acadver_found()) {
        const RecordedVersion recorded = finders.version(visitor.byte_text_code());
        result.version = recorded.version;
        return refused(result, DxfRefusal::version_recorded,
                       version_refusal_text(recorded.version));
    }
    if (!finders.header_found()) {
        return refused(result, DxfRefusal::no_header_section, no_header_text());
    }
    if (visitor.create_error() != 0) {
        return failed(result, StampFailure::cannot_create, visitor.create_error(),
                      u"cannot create a file beside " + result.output_path + u": " +
                          error_text(visitor.create_error()));
    }
    if (const int error = staged.error(); error != 0) {
        return failed(result, StampFailure::cannot_write, error,
                      write_failure_text(error, result.output_path));
    }
    if (!visitor.inserted()) {
        return refused(result, DxfRefusal::no_header_section, no_header_text());
    }
    if (const int error = staged.commit(); error != 0) {
        if (staged.kept_target()) {
            return failed(result, StampFailure::replaces_input, 0,
                          u"the copy " + result.output_path + u" would replace the input");
        }
        return failed(result, StampFailure::cannot_replace, error,
                      platform::means_disk_full(error)
                          ? write_failure_text(error, result.output_path)
                          : u"cannot replace " + result.output_path + u": " + error_text(error));
    }
    result.outcome = StampOutcome::written;
    result.output_code = visitor.output_code();
    if (head == StampHead::decoded) result.head_text = cut_at_zero(decode_text(visitor.head()));
    return result;
}

}  // namespace vermark
