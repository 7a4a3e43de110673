#include "platform/standin/profile_document.h"

#include "platform/profile.h"

namespace vermark::platform {

namespace {

constexpr std::u16string_view kLineEnd = u"\r\n";

bool is_blank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

std::u16string_view trim(std::u16string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

enum class LineKind { blank, comment, section, key };

struct ParsedLine {
    LineKind kind = LineKind::blank;
    std::u16string_view name;                  // section or key name
    std::optional<std::u16string_view> value;  // key lines with "="
};

ParsedLine parse_line(std::u16string_view raw) {
    const std::u16string_view line = trim(raw);
    if (line.empty()) return {};
    if (line.front() == u';') return {LineKind::comment, {}, {}};
    if (line.front() == u'[') {
        const std::size_t close = line.rfind(u']');
        if (close != std::u16string_view::npos)
            return {LineKind::section, line.substr(1, close - 1), {}};
    }
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) return {LineKind::key, line, {}};
    return {LineKind::key, trim(line.substr(0, equals)), trim(line.substr(equals + 1))};
}

}  // namespace

ProfileDocument::ProfileDocument(std::u16string_view text) {
    while (!text.empty()) {
        const std::size_t newline = text.find(u'\n');
        if (newline == std::u16string_view::npos) {
            lines_.push_back({std::u16string(text), {}});
            break;
        }
        std::size_t body = newline;
        if (body > 0 && text[body - 1] == u'\r') --body;
        lines_.push_back({std::u16string(text.substr(0, body)),
                          std::u16string(text.substr(body, newline + 1 - body))});
        text.remove_prefix(newline + 1);
    }
}

std::u16string ProfileDocument::text() const {
    std::u16string text;
    for (const Line& line : lines_) {
        text += line.text;
        text += line.end;
    }
    return text;
}

std::vector<ProfileDocument::Range> ProfileDocument::sections_named(
    std::u16string_view section) const {
    std::vector<Range> ranges;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (parse_line(lines_[i].text).kind != LineKind::section) continue;
        if (!ranges.empty() && ranges.back().last == lines_.size()) ranges.back().last = i;
        if (profile_names_equal(parse_line(lines_[i].text).name, trim(section)))
            ranges.push_back({i, i + 1, lines_.size()});
    }
    return ranges;
}

std::optional<std::size_t> ProfileDocument::find_key(const Range& range,
                                                     std::u16string_view key) const {
    for (std::size_t i = range.first; i < range.last; ++i) {
        const ParsedLine parsed = parse_line(lines_[i].text);
        if (parsed.kind == LineKind::key && profile_names_equal(parsed.name, trim(key))) return i;
    }
    return std::nullopt;
}

std::optional<std::u16string> ProfileDocument::value(std::u16string_view section,
                                                     std::u16string_view key) const {
    for (const Range& range : sections_named(section)) {
        if (auto line = find_key(range, key)) {
            const ParsedLine parsed = parse_line(lines_[*line].text);
            if (!parsed.value) return std::nullopt;
            return std::u16string(*parsed.value);
        }
    }
    return std::nullopt;
}

std::vector<std::u16string> ProfileDocument::section_names() const {
    std::vector<std::u16string> names;
    for (const Line& line : lines_) {
        const ParsedLine parsed = parse_line(line.text);
        if (parsed.kind == LineKind::section) names.emplace_back(parsed.name);
    }
    return names;
}

std::vector<std::u16string> ProfileDocument::key_names(std::u16string_view section) const {
    std::vector<std::u16string> names;
    for (const Range& range : sections_named(section)) {
        for (std::size_t i = range.first; i < range.last; ++i) {
            const ParsedLine parsed = parse_line(lines_[i].text);
            if (parsed.kind == LineKind::key) names.emplace_back(parsed.name);
        }
    }
    return names;
}

void ProfileDocument::insert_line(std::size_t at, std::u16string text) {
    // The line before the new one may be the file's last line without a line end.
    if (at > 0 && lines_[at - 1].end.empty()) lines_[at - 1].end = kLineEnd;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                  Line{std::move(text), std::u16string(kLineEnd)});
}

bool ProfileDocument::set_value(std::u16string_view section, std::u16string_view key,
                                std::u16string_view value) {
    // Names are kept as they are read back: without surrounding blanks.
    section = trim(section);
    key = trim(key);
    const std::vector<Range> ranges = sections_named(section);
    for (const Range& range : ranges) {
        if (auto line = find_key(range, key)) {
            // Keep the key as the file spells it.
            std::u16string text(parse_line(lines_[*line].text).name);
            text += u'=';
            text += value;
            if (lines_[*line].text == text) return false;
            lines_[*line].text = std::move(text);
            return true;
        }
    }
    std::u16string text(key);
    text += u'=';
    text += value;
    if (ranges.empty()) {
        std::u16string header(u"[");
        header += section;
        header += u']';
        insert_line(lines_.size(), std::move(header));
        insert_line(lines_.size(), std::move(text));
        return true;
    }
    // After the section's last non-blank line, so blank lines before the next section stay.
    std::size_t at = ranges.front().last;
    while (at > ranges.front().first && parse_line(lines_[at - 1].text).kind == LineKind::blank)
        --at;
    insert_line(at, std::move(text));
    return true;
}

bool ProfileDocument::remove_key(std::u16string_view section, std::u16string_view key) {
    bool removed = false;
    // Ranges shift after each removal, so look them up again.
    for (;;) {
        std::optional<std::size_t> found;
        for (const Range& range : sections_named(section))
            if ((found = find_key(range, key))) break;
        if (!found) return removed;
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*found));
        removed = true;
    }
}

bool ProfileDocument::remove_section(std::u16string_view section) {
    bool removed = false;
    for (;;) {
        const std::vector<Range> ranges = sections_named(section);
        if (ranges.empty()) return removed;
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(ranges.front().header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(ranges.front().last));
        removed = true;
    }
}

}  // namespace vermark::platform
