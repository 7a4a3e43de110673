#include <chrono>
#include <system_error>

#include "diag/log.h"
#include "dxf/dxf_finders.h"
#include "dxf/dxf_refusal.h"
#include "dxf/dxf_source.h"
#include "dxf/dxf_stamp.h"
#include "dxf/plain_bytes.h"
#include "platform/retry.h"
#include "text/text_reader.h"

namespace vermark {
namespace {

// Detects the whole file's encoding and, when asked, runs the searches over all of its text.
class InspectVisitor : public DxfTextVisitor {
  public:
    explicit InspectVisitor(bool search_whole_text) : whole_(search_whole_text) {}

    void start(const ByteOrderMark&, DxfLayout layout) override {
        byte_units_ = layout == DxfLayout::bytes || layout == DxfLayout::utf8_marked;
    }
    void raw(platform::ByteView bytes) override {
        // Past the first piece (whose first four bytes the mark test needs), a plain piece tells
        // the guess no more than its first byte does, and holds no "$ACADVER".
        const bool worth_a_sweep = !detector_.decided() || (whole_ && byte_units_);
        plain_ = pieces_++ > 0 && worth_a_sweep && is_plain_ascii(bytes);
        if (!detector_.decided()) detector_.feed(plain_ ? bytes.first(1) : bytes);
    }
    void units(const std::uint8_t* units, std::size_t count) override {
        if (!whole_) return;
        if (plain_) {
            finders_.plain_units(units, count);
        } else {
            finders_.units(units, count);
        }
    }
    void units(const char16_t* units, std::size_t count) override {
        if (whole_) finders_.units(units, count);
    }
    void odd_byte(std::uint8_t) override {}
    bool wants_more() const override {
        if (!whole_) return !detector_.decided();
        // A recorded version settles eligibility; only the encoding may still need the rest.
        if (finders_.acadver_found()) return !detector_.decided() || !finders_.window_full();
        return true;
    }

    TextEncoding code() const { return detector_.result(); }
    TextFinders& finders() { return finders_; }

  private:
    bool whole_;
    bool byte_units_ = true;
    std::size_t pieces_ = 0;
    bool plain_ = false;  // the current piece is plain ASCII without '$'
    EncodingDetector detector_;
    TextFinders finders_;
};

void refuse(DxfInspection& result, DxfRefusal refusal, std::u16string reason) {
    result.eligible = false;
    result.stamp_path.clear();
    result.refusal = refusal;
    result.reason = std::move(reason);
}

}  // namespace

platform::ByteBuffer ReadHead(const std::u16string& path, std::size_t limit) {
    InputFile file;
    if (!path.empty() && file.open(path) == 0) {
        platform::ByteBuffer head(2 * limit + 2, 0);
        file.read(head.data(), limit);
        // A folder opens here but gives no bytes: it is as unreadable as a file that won't open.
        if (file.error() == 0) return head;
    }
    if (!path.empty()) platform::pause_before_retry(std::chrono::milliseconds(100));
    log_line(u"::ReadHead   Can't open   " + path);
    return {};
}

DxfInspection inspect_dxf(const std::u16string& path, bool search_whole_text) {
    DxfInspection result;
    InspectVisitor visitor(search_whole_text);
    const ReadOutcome read = read_dxf_text(path, visitor);
    if (!read.opened) log_line(u"Can't open rb  " + path);
    visitor.finders().finish();

    // An unreadable file has no bytes, which the detection calls ASCII.
    result.text_code = visitor.code();
    result.encoding_name = encoding_name(result.text_code);
    result.info = result.encoding_name;
    result.head_text = cut_at_zero(decode_text(ReadHead(path, kDxfHeadLimit)));

    RecordedVersion recorded = recorded_version(result.head_text);
    if (!recorded.found && search_whole_text && visitor.finders().acadver_found()) {
        recorded = visitor.finders().version(result.text_code);
    }
    result.has_acadver = recorded.found;
    result.version = recorded.version;
    if (!result.version.empty()) result.info += u"   " + result.version;

    const bool header =
        search_whole_text ? visitor.finders().header_found() : has_header_section(result.head_text);
    if (!read.complete) {
        refuse(result, DxfRefusal::unreadable, read_failure_text(read));
    } else if (recorded.found) {
        refuse(result, DxfRefusal::version_recorded, version_refusal_text(recorded.version));
    } else if (!header) {
        refuse(result, DxfRefusal::no_header_section, no_header_text());
    } else {
        result.eligible = true;
        result.stamp_path = path;
    }
    return result;
}

}  // namespace vermark
