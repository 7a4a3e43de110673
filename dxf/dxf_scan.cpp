#include "dxf/dxf_scan.h"

#include <algorithm>
#include <cstring>

namespace vermark {
namespace {

constexpr char16_t kAcadver[] = u"$ACADVER";
constexpr std::size_t kAcadverLength = 8;

bool is_blank(char16_t c) {
    return c == u' ' || c == u'\t';
}

const std::uint8_t* find_dollar(const std::uint8_t* p, const std::uint8_t* end) {
    const void* hit = std::memchr(p, '$', static_cast<std::size_t>(end - p));
    return hit ? static_cast<const std::uint8_t*>(hit) : end;
}

const char16_t* find_dollar(const char16_t* p, const char16_t* end) {
    return std::find(p, end, u'$');
}

// How many units from `at` on continue "$ACADVER" from its unit `matched`.
template <class Unit>
std::size_t match_from(const Unit* at, const Unit* end, std::size_t matched) {
    while (matched < kAcadverLength && at < end && *at == kAcadver[matched]) {
        ++matched;
        ++at;
    }
    return matched;
}

}  // namespace

std::u16string_view line_end_text(LineEnd end) {
    switch (end) {
        case LineEnd::cr_lf:
            return u"\r\n";
        case LineEnd::lf:
            return u"\n";
        case LineEnd::cr:
            return u"\r";
        case LineEnd::none:
            break;
    }
    return u"";
}

// --- HeaderSectionFinder --------------------------------------------------------------------

template <class Unit>
void HeaderSectionFinder<Unit>::feed(const Unit* units, std::size_t count) {
    for (std::size_t i = 0; i < count && !found_; ++i, ++position_) {
        const Unit u = units[i];
        if (cr_pending_) {
            cr_pending_ = false;
            if (u == u'\n') {  // the second half of CR LF
                if (header_line_pending_) settle(LineEnd::cr_lf, position_ + 1);
                continue;
            }
            if (header_line_pending_) {
                settle(LineEnd::cr, position_);
                return;
            }
        }
        if (u == u'\r') {
            end_line();
            cr_pending_ = true;
        } else if (u == u'\n') {
            end_line();
            if (header_line_pending_) settle(LineEnd::lf, position_ + 1);
        } else {
            if (line_length_ < kKeep) line_[line_length_] = u;
            ++line_length_;
        }
    }
}

template <class Unit>
void HeaderSectionFinder<Unit>::finish() {
    if (cr_pending_ && header_line_pending_ && !found_) settle(LineEnd::cr, position_);
    cr_pending_ = false;
}

template <class Unit>
void HeaderSectionFinder<Unit>::end_line() {
    const Kind kind = classify();
    header_line_pending_ = kind == Kind::header && previous_[0] == Kind::code_0 &&
                           previous_[1] == Kind::section && previous_[2] == Kind::code_2;
    previous_[0] = previous_[1];
    previous_[1] = previous_[2];
    previous_[2] = kind;
    line_length_ = 0;
}

template <class Unit>
typename HeaderSectionFinder<Unit>::Kind HeaderSectionFinder<Unit>::classify() const {
    if (line_length_ > kKeep) return Kind::other;
    std::size_t first = 0, last = line_length_;
    while (first < last && is_blank(line_[first])) ++first;
    while (last > first && is_blank(line_[last - 1])) --last;
    std::u16string word;
    for (std::size_t i = first; i < last; ++i) word.push_back(static_cast<char16_t>(line_[i]));
    if (word == u"SECTION") return Kind::section;
    if (word == u"HEADER") return Kind::header;
    if (word.empty() ||
        !std::all_of(word.begin(), word.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
        return Kind::other;
    }
    const std::size_t digit = word.find_first_not_of(u'0');
    if (digit == std::u16string::npos) return Kind::code_0;  // "0", "  0", "000"
    return word.substr(digit) == u"2" ? Kind::code_2 : Kind::other;
}

template <class Unit>
void HeaderSectionFinder<Unit>::settle(LineEnd end, std::uint64_t insert_at) {
    found_ = true;
    line_end_ = end;
    insert_at_ = insert_at;
    header_line_pending_ = false;
}

// --- AcadverFinder --------------------------------------------------------------------------

template <class Unit>
void AcadverFinder<Unit>::feed(const Unit* units, std::size_t count) {
    const Unit* const end = units + count;
    const Unit* p = units;
    if (found_) {
        take_window(p, end);
    } else if (partial_ > 0) {
        const std::size_t matched = match_from(p, end, partial_);
        const std::size_t taken = matched - partial_;
        if (matched == kAcadverLength) {
            found_ = true;
            found_at_ = position_ - partial_;
            window_.assign(kAcadver, kAcadver + kAcadverLength);
            window_.resize(std::min(window_.size(), window_size_));
            take_window(p + taken, end);
        } else if (p + taken == end) {
            partial_ = matched;  // still matching when the chunk ran out
            p = end;
        } else {
            partial_ = 0;
        }
    }
    while (!found_ && partial_ == 0 && p < end) {
        const Unit* dollar = find_dollar(p, end);
        if (dollar == end) break;
        const std::size_t matched = match_from(dollar, end, 0);
        if (matched == kAcadverLength) {
            found_ = true;
            found_at_ = position_ + static_cast<std::uint64_t>(dollar - units);
            take_window(dollar, end);
        } else if (dollar + matched == end) {
            partial_ = matched;
        } else {
            p = dollar + 1;
        }
    }
    position_ += count;
}

template <class Unit>
void AcadverFinder<Unit>::feed_without_dollar(const Unit* units, std::size_t count) {
    if (found_ || partial_ > 0) {
        feed(units, count);
    } else {
        position_ += count;
    }
}

template <class Unit>
void AcadverFinder<Unit>::take_window(const Unit* from, const Unit* end) {
    const std::size_t room = window_size_ - std::min(window_size_, window_.size());
    const std::size_t count = std::min(room, static_cast<std::size_t>(end - from));
    window_.insert(window_.end(), from, from + count);
}

template class HeaderSectionFinder<std::uint8_t>;
template class HeaderSectionFinder<char16_t>;
template class AcadverFinder<std::uint8_t>;
template class AcadverFinder<char16_t>;

// --- whole texts ----------------------------------------------------------------------------

RecordedVersion recorded_version(std::u16string_view text) {
    const std::size_t at = text.find(kAcadver);
    if (at == std::u16string_view::npos) return {};
    const std::u16string_view window = text.substr(at, 100);
    const std::size_t ac = window.find(u"AC", kAcadverLength);
    if (ac == std::u16string_view::npos) return {true, {}};
    return {true, std::u16string(window.substr(ac, 6))};
}

bool has_header_section(std::u16string_view text) {
    HeaderSectionFinder<char16_t> finder;
    finder.feed(text.data(), text.size());
    finder.finish();
    return finder.found();
}

}  // namespace vermark
