#include "dxf/dxf_finders.h"

#include "platform/codepage.h"
#include "text/byte_buffer.h"

namespace vermark {

void TextFinders::units(const std::uint8_t* units, std::size_t count) {
    if (!header8_.found()) header8_.feed(units, count);
    acadver8_.feed(units, count);
}

void TextFinders::plain_units(const std::uint8_t* units, std::size_t count) {
    if (!header8_.found()) header8_.feed(units, count);
    acadver8_.feed_without_dollar(units, count);
}

void TextFinders::units(const char16_t* units, std::size_t count) {
    wide_ = true;
    if (!header16_.found()) header16_.feed(units, count);
    acadver16_.feed(units, count);
}

void TextFinders::finish() {
    header8_.finish();
    header16_.finish();
}

bool TextFinders::header_found() const {
    return wide_ ? header16_.found() : header8_.found();
}

std::uint64_t TextFinders::insert_at() const {
    return wide_ ? header16_.insert_at() : header8_.insert_at();
}

LineEnd TextFinders::line_end() const {
    return wide_ ? header16_.line_end() : header8_.line_end();
}

RecordedVersion TextFinders::version(TextEncoding code) const {
    if (acadver16_.found()) {
        const auto& w = acadver16_.window();
        return recorded_version(std::u16string_view(w.data(), w.size()));
    }
    if (!acadver8_.found()) return {};
    const auto& w = acadver8_.window();
    const unsigned page =
        code == encoding::kUtf8 ? platform::kCodePageUtf8 : platform::kCodePageShiftJis;
    return recorded_version(
        platform::multibyte_to_wide(page, platform::ByteView(w.data(), w.size())));
}

}  // namespace vermark
