// Streaming searches over a DXF text given as code units (bytes for single-byte and UTF-8 data,
// UTF-16 units otherwise), fed in chunks of any size with the same answers as over the whole:
// where the HEADER section's name line ends, and where "$ACADVER" first occurs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vermark {

enum class LineEnd { none, cr_lf, lf, cr };

// The line end's characters ("\r\n", "\n", "\r"; empty for none).
std::u16string_view line_end_text(LineEnd end);

// The insertion point of the group: directly after the line end of the line "HEADER" that is the
// value of a group code 2 following a group 0 "SECTION" (four lines in a row; group codes may
// carry blanks, such as "  0"). A line ends at CR LF, LF or a lone CR. Only the first such line
// counts; a "HEADER" line without a line end (the data stops there) does not.
template <class Unit>
class HeaderSectionFinder {
  public:
    void feed(const Unit* units, std::size_t count);
    // The data has ended: a CR at its very end is a lone CR.
    void finish();

    bool found() const { return found_; }
    // Offset (in units from the start of the fed data) where the group goes, when found.
    std::uint64_t insert_at() const { return insert_at_; }
    LineEnd line_end() const { return line_end_; }

  private:
    enum class Kind : std::uint8_t { other, code_0, code_2, section, header };
    static constexpr std::size_t kKeep = 16;  // longest line worth remembering ("SECTION" + blanks)

    void end_line();
    Kind classify() const;
    void settle(LineEnd end, std::uint64_t insert_at);

    std::uint64_t position_ = 0;  // units fed so far
    Unit line_[kKeep] = {};
    std::size_t line_length_ = 0;  // may exceed kKeep: only the first kKeep are kept
    Kind previous_[3] = {Kind::other, Kind::other, Kind::other};
    bool cr_pending_ = false;           // the last unit was a CR ending a line
    bool header_line_pending_ = false;  // ... and that line was the HEADER name line
    bool found_ = false;
    std::uint64_t insert_at_ = 0;
    LineEnd line_end_ = LineEnd::none;
};

// The first "$ACADVER" (case-sensitive) and the units that follow it, up to `window` units
// counted from its "$", for reading the version recorded there.
template <class Unit>
class AcadverFinder {
  public:
    explicit AcadverFinder(std::size_t window = 100) : window_size_(window) {}

    void feed(const Unit* units, std::size_t count);
    // As feed(), for units known to hold no '$': only a match cut short by the end of the last
    // piece, or a window still filling, needs to look at them.
    void feed_without_dollar(const Unit* units, std::size_t count);

    bool found() const { return found_; }
    // True once the window holds `window` units; also true when not found.
    bool window_full() const { return !found_ || window_.size() >= window_size_; }
    std::uint64_t found_at() const { return found_at_; }
    // "$ACADVER" and what follows it, as far as fed (at most `window` units).
    const std::vector<Unit>& window() const { return window_; }

  private:
    void take_window(const Unit* from, const Unit* end);

    std::size_t window_size_;
    std::uint64_t position_ = 0;
    std::size_t partial_ = 0;  // units of "$ACADVER" matched at the end of the last chunk
    bool found_ = false;
    std::uint64_t found_at_ = 0;
    std::vector<Unit> window_;
};

extern template class HeaderSectionFinder<std::uint8_t>;
extern template class HeaderSectionFinder<char16_t>;
extern template class AcadverFinder<std::uint8_t>;
extern template class AcadverFinder<char16_t>;

// What a text records for "$ACADVER": whether it occurs, and the version shown for it: from the
// first "AC" at or after the 8th character of the 100 characters that start at "$ACADVER", up to 6
// characters (fewer where the text ends). `version` is empty when no "AC" was found.
struct RecordedVersion {
    bool found = false;
    std::u16string version;
};
RecordedVersion recorded_version(std::u16string_view text);

// True when the text holds the HEADER section's name line (see HeaderSectionFinder).
bool has_header_section(std::u16string_view text);

}  // namespace vermark
