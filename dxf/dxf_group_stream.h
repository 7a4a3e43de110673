// Splits DXF text, fed in pieces of any size, into its group code / value pairs. Lines end at LF
// (a CR before it is dropped); a line longer than the limit is cut there and the rest skipped,
// so memory stays at one line however the file is cut. The first code line that is not a number
// ends the stream: what follows is no longer a drawing.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace vermark::dxf_detail {

struct DxfGroup {
    int code = 0;
    std::string_view value;  // without its line end; valid during the call that receives it
};

// The line without the blanks and CRs at its ends that a group code may carry.
inline std::string_view trimmed_field(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

class DxfGroupStream {
  public:
    explicit DxfGroupStream(std::size_t max_line_bytes) : max_line_(max_line_bytes) {}

    // Hands every complete group of `piece` to `sink(const DxfGroup&)`, which returns false to
    // stop. False once the stream has ended.
    template <class Sink>
    bool feed(std::string_view piece, Sink&& sink) {
        const char* at = piece.data();
        const char* const end = at + piece.size();
        while (at < end && !ended_) {
            const char* newline = static_cast<const char*>(std::memchr(at, '\n', end - at));
            if (newline == nullptr) {
                keep_partial(at, end);
                break;
            }
            if (partial_) {
                keep_partial(at, newline);
                take_line(std::string_view(carry_), sink);
                carry_.clear();
                partial_ = false;
            } else {
                const std::size_t length = static_cast<std::size_t>(newline - at);
                take_line(std::string_view(at, length < max_line_ ? length : max_line_), sink);
            }
            at = newline + 1;
        }
        return !ended_;
    }

    // The data has ended: a last line without a line end still counts.
    template <class Sink>
    void finish(Sink&& sink) {
        if (partial_ && !ended_) take_line(std::string_view(carry_), sink);
        carry_.clear();
        partial_ = false;
        ended_ = true;
    }

    bool ended() const { return ended_; }

  private:
    std::size_t max_line_;
    std::string carry_;  // the start of a line that continues in the next piece
    bool partial_ = false;
    bool have_code_ = false;
    int code_ = 0;
    bool ended_ = false;

    void keep_partial(const char* from, const char* to) {
        partial_ = true;
        const std::size_t room = max_line_ > carry_.size() ? max_line_ - carry_.size() : 0;
        const std::size_t take = static_cast<std::size_t>(to - from);
        carry_.append(from, take < room ? take : room);
    }

    template <class Sink>
    void take_line(std::string_view line, Sink& sink) {
        if (!have_code_) {
            const std::string_view text = trimmed_field(line);
            const auto [stop, error] =
                std::from_chars(text.data(), text.data() + text.size(), code_);
            if (error != std::errc() || stop != text.data() + text.size()) {
                ended_ = true;
                return;
            }
            have_code_ = true;
            return;
        }
        have_code_ = false;
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!sink(DxfGroup{code_, line})) ended_ = true;
    }
};

}  // namespace vermark::dxf_detail
