// The group stream handed to dxflib, reduced to what the picture needs. dxflib trusts the
// counts a file declares (vertices, knots, hatch edges) and reads some entities past their ends
// when those counts lie; only entities the picture draws are passed on, with their counts set
// from what they really hold, so a damaged or hostile file cannot make it misbehave.
#include <array>
#include <charconv>
#include <optional>

#include "dxf/dxf_geometry_internal.h"

namespace vermark::dxf_detail {
namespace {

struct GroupLine {
    int code = 0;
    std::string_view value;
};

constexpr std::array<std::string_view, 20> kKeptTypes = {
    "SECTION", "ENDSEC",  "EOF",      "BLOCK",  "ENDBLK", "LINE",       "ARC",
    "CIRCLE",  "ELLIPSE", "POLYLINE", "VERTEX", "SEQEND", "LWPOLYLINE", "SPLINE",
    "TEXT",    "MTEXT",   "INSERT",   "SOLID",  "TRACE",  "3DFACE"};

// Extended data (codes 1000 and above) is of no use to the picture.
constexpr int kFirstExtendedDataCode = 1000;
constexpr int kCommentCode = 999;
// dxflib reads the writer's version from a comment and leaves it uninitialised without one;
// MTEXT angles depend on it. Naming a current version makes them radians, always.
constexpr std::string_view kVersionComment = "999\ndxflib 3.0.0.0\n";

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

class GroupReader {
  public:
    explicit GroupReader(std::string_view text) : text_(text) {}

    // The next code/value pair; none at the end or when a code line is not a number.
    std::optional<GroupLine> next() {
        const std::optional<std::string_view> code_line = line();
        const std::optional<std::string_view> value_line = line();
        if (!code_line || !value_line) return std::nullopt;
        const std::string_view code_text = trimmed(*code_line);
        GroupLine group;
        const auto [end, error] =
            std::from_chars(code_text.data(), code_text.data() + code_text.size(), group.code);
        if (error != std::errc() || end != code_text.data() + code_text.size()) return std::nullopt;
        group.value =
            value_line->substr(0, value_line->size() - (value_line->ends_with('\r') ? 1 : 0));
        return group;
    }

  private:
    std::string_view text_;
    std::size_t position_ = 0;

    std::optional<std::string_view> line() {
        if (position_ >= text_.size()) return std::nullopt;
        std::size_t end = text_.find('\n', position_);
        if (end == std::string_view::npos) end = text_.size();
        const std::string_view result = text_.substr(position_, end - position_);
        position_ = end + 1;
        return result;
    }
};

bool kept_type(std::string_view type) {
    for (std::string_view kept : kKeptTypes) {
        if (type == kept) return true;
    }
    return false;
}

bool section_with_entities(std::string_view name) {
    return name == "ENTITIES" || name == "BLOCKS";
}

void write_group(std::string& out, int code, std::string_view value) {
    out += std::to_string(code);
    out += '\n';
    out += value;
    out += '\n';
}

int count_of(const std::vector<GroupLine>& groups, int code) {
    int n = 0;
    for (const GroupLine& g : groups) n += g.code == code;
    return n;
}

// The entity's groups with its declared counts replaced by the real ones.
void write_entity(std::string& out, const std::vector<GroupLine>& groups) {
    const std::string_view type = groups.front().value;
    std::vector<std::pair<int, int>> counts;  // declared-count code, counted code
    if (type == "LWPOLYLINE") counts = {{90, 10}};
    if (type == "SPLINE") counts = {{72, 40}, {73, 10}, {74, 11}};
    write_group(out, 0, type);
    for (const auto& [count_code, counted_code] : counts) {
        write_group(out, count_code, std::to_string(count_of(groups, counted_code)));
    }
    for (std::size_t i = 1; i < groups.size(); ++i) {
        bool is_count = false;
        for (const auto& [count_code, counted] : counts) is_count |= groups[i].code == count_code;
        if (!is_count) write_group(out, groups[i].code, groups[i].value);
    }
}

}  // namespace

std::string drawable_groups(std::string_view dxf_text) {
    std::string out(kVersionComment);
    out.reserve(dxf_text.size());
    GroupReader reader(dxf_text);
    std::vector<GroupLine> entity;
    std::string_view section;
    auto flush = [&] {
        if (!entity.empty()) write_entity(out, entity);
        entity.clear();
    };
    while (const std::optional<GroupLine> group = reader.next()) {
        if (group->code == kCommentCode) {
            continue;  // the file's own version comment would override ours
        }
        if (group->code == 0) {
            flush();
            const std::string_view type = trimmed(group->value);
            if (type == "ENDSEC") section = {};
            if (kept_type(type) && (type == "SECTION" || type == "ENDSEC" || type == "EOF" ||
                                    section_with_entities(section))) {
                entity.push_back({0, type});
            }
        } else if (!entity.empty() && group->code < kFirstExtendedDataCode) {
            if (entity.front().value == "SECTION" && group->code == 2) {
                section = trimmed(group->value);
            }
            // Outside the drawing's sections only the section header itself is passed on.
            if (entity.front().value != "SECTION" || group->code == 2) entity.push_back(*group);
        }
    }
    flush();
    return out;
}

}  // namespace vermark::dxf_detail
