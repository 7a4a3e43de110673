// Entities are read as their groups arrive: each entity's values are kept by group code until the
// next entity starts, then turned into shapes in the model, the paper space or the block being
// defined. Vertex lists (LWPOLYLINE, SPLINE) are taken as they come, so no declared count is ever
// trusted. Block references are expanded once everything is read.
#include "dxf/dxf_entity_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "dxf/dxf_block_expansion.h"
#include "dxf/dxf_geometry_internal.h"
#include "dxf/dxf_group_stream.h"
#include "dxf/dxf_group_values.h"

namespace vermark {
namespace {

using namespace dxf_detail;

enum class Kind {
    other,
    block,
    end_block,
    line,
    arc,
    circle,
    ellipse,
    polyline,
    lwpolyline,
    vertex,
    seqend,
    spline,
    text,
    mtext,
    insert,
    solid,
    trace,
    face,
};

struct KindName {
    std::string_view name;
    Kind kind;
};
constexpr std::array<KindName, 17> kKinds = {{{"BLOCK", Kind::block},
                                              {"ENDBLK", Kind::end_block},
                                              {"LINE", Kind::line},
                                              {"ARC", Kind::arc},
                                              {"CIRCLE", Kind::circle},
                                              {"ELLIPSE", Kind::ellipse},
                                              {"POLYLINE", Kind::polyline},
                                              {"LWPOLYLINE", Kind::lwpolyline},
                                              {"VERTEX", Kind::vertex},
                                              {"SEQEND", Kind::seqend},
                                              {"SPLINE", Kind::spline},
                                              {"TEXT", Kind::text},
                                              {"MTEXT", Kind::mtext},
                                              {"INSERT", Kind::insert},
                                              {"SOLID", Kind::solid},
                                              {"TRACE", Kind::trace},
                                              {"3DFACE", Kind::face}}};

Kind kind_of(std::string_view name) {
    for (const KindName& k : kKinds) {
        if (k.name == name) return k.kind;
    }
    return Kind::other;
}

bool finite(double v) {
    return std::isfinite(v);
}
bool finite(DxfPoint p) {
    return finite(p.x) && finite(p.y);
}

std::string block_key(std::string_view name) {
    std::string key(name);
    for (char& c : key) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return key;
}

// Entities in the object coordinate system with the extrusion pointing down are mirrored in x.
struct Ocs {
    bool mirrored = false;
    DxfPoint point(double x, double y) const { return {mirrored ? -x : x, y}; }
    double angle(double degrees) const { return mirrored ? 180.0 - degrees : degrees; }
};

DxfPoint offset_along(DxfPoint anchor, double angle_degrees, double dx, double dy) {
    const double a = angle_degrees * kPi / 180.0;
    return {anchor.x + dx * std::cos(a) - dy * std::sin(a),
            anchor.y + dx * std::sin(a) + dy * std::cos(a)};
}

double text_width(const DxfText& text) {
    return text.height * kCharWidthFactor * static_cast<double>(longest_line_length(text.text));
}

// A TEXT placed by its justification: aligned and fitted texts keep their first point.
DxfText placed_text(const EntityValues& v, const Ocs& ocs) {
    DxfText text;
    text.text = clean_text_value(v.text(1));
    text.height = v.real(40, 2.5);
    text.angle_degrees = ocs.angle((v.real(50, 0.0) * 2 * kPi) / 360.0 * 180.0 / kPi);
    const int h = v.integer(72, 0), vj = v.integer(73, 0);
    const bool aligned = h == 3 || h == 5;
    const bool justified = (h != 0 || vj != 0) && !aligned;
    const DxfPoint anchor = justified ? ocs.point(v.real(11, NAN), v.real(21, NAN))
                                      : ocs.point(v.real(10, 0.0), v.real(20, 0.0));
    double dx = 0, dy = 0;
    if (justified) {
        const double width = text_width(text);
        if (h == 1 || h == 4) dx = -width / 2;
        if (h == 2) dx = -width;
        if (vj == 2 || h == 4) dy = -text.height / 2;
        if (vj == 3) dy = -text.height;
    }
    text.position = offset_along(anchor, text.angle_degrees, dx, dy);
    return text;
}

// The MTEXT angle in degrees: its direction vector when it has one, else its rotation.
double mtext_angle(const EntityValues& v) {
    const double dir_x = v.real(11, 0.0), dir_y = v.real(21, 0.0);
    if (finite(dir_x) && finite(dir_y) && (dir_x != 0 || dir_y != 0)) {
        return std::atan2(dir_y, dir_x) * 180.0 / kPi;
    }
    double radians = 0;
    if (v.has(50)) {
        radians = (v.real(50, 0.0) * 2 * kPi) / 360.0;
    } else if (v.has(11) && v.has(21)) {
        radians = dir_y > 0 ? kPi / 2 : kPi / 2 * 3;  // a zero vector
    }
    return radians * 180.0 / kPi;
}

// An MTEXT placed by its attachment point (1..9: top, middle, bottom rows of left, centre,
// right); `position` is the first line's baseline start.
DxfText placed_mtext(const EntityValues& v, std::string_view chunks) {
    DxfText text;
    std::string raw(chunks);
    raw += v.text(1);
    text.text = clean_mtext_value(raw);
    text.height = v.real(40, 2.5);
    text.angle_degrees = mtext_angle(v);
    const int given = v.integer(71, 1);
    const int attachment = given >= 1 && given <= 9 ? given : 1;
    const int row = (attachment - 1) / 3, column = (attachment - 1) % 3;
    const double width = text_width(text);
    const double block_height =
        text.height * (1 + kLineSpacingFactor * static_cast<double>(line_count(text.text) - 1));
    const double dx = column == 0 ? 0 : column == 1 ? -width / 2 : -width;
    const double dy = row == 0   ? -text.height
                      : row == 1 ? block_height / 2 - text.height
                                 : block_height - text.height;
    text.position = offset_along({v.real(10, 0.0), v.real(20, 0.0)}, text.angle_degrees, dx, dy);
    return text;
}

}  // namespace

struct DxfEntityReader::State {
    explicit State(const DxfReadLimits& l) : limits(l), budget(l), groups(l.max_line_bytes) {}

    DxfReadLimits limits;
    ReadBudget budget;
    DxfGroupStream groups;

    // Which groups reach the entity reader: only the ENTITIES and BLOCKS sections count.
    bool in_drawing_section = false;
    enum class Passing { none, section_header, entity } passing = Passing::none;

    // The entity whose groups are arriving.
    Kind kind = Kind::other;
    EntityValues values;
    std::vector<BulgeVertex> lw_vertices;
    std::vector<double> knots, weights;
    std::vector<DxfPoint> spline_control, spline_fit;
    std::string mtext_chunks;
    // Set when an entity ends, from its own groups: where it goes and how its plane lies.
    bool in_paper_space = false;
    Ocs ocs;

    // Where shapes go.
    BlockContainer model, paper;
    std::map<std::string, BlockContainer> blocks;
    BlockContainer* current_block = nullptr;

    // A POLYLINE's vertices or a SPLINE's points, drawn when the next entity arrives.
    bool polyline_open = false, polyline_is_path = true, polyline_closed = false;
    Ocs polyline_ocs;
    std::vector<BulgeVertex> vertices;
    bool spline_open = false;
    int spline_degree = 3;
    std::vector<double> spline_knots;
    std::vector<ControlPoint> spline_points;
    std::vector<DxfPoint> spline_fit_points;

    bool take(const DxfGroup& group);
    void take_section_group(const DxfGroup& group);
    void take_entity_group(const DxfGroup& group);
    bool take_vertex_group(const DxfGroup& group);
    bool take_spline_group(const DxfGroup& group);
    void start_entity(std::string_view name);
    void end_entity();
    void end_shape_entity();

    BlockContainer& paper_or_model() { return in_paper_space ? paper : model; }
    DxfGeometry& target() {
        return current_block ? current_block->geometry : paper_or_model().geometry;
    }

    void add_arc(const DxfArc& arc);
    void add_polyline(DxfPolyline line);
    void add_text(DxfText text);
    void add_quad(bool solid_order);
    void add_insert();
    void open_polyline();
    void add_vertex(DxfPoint point, double bulge);
    void open_spline();
    void finish_pending();
};

bool DxfEntityReader::State::take(const DxfGroup& group) {
    if (!budget.keep_going()) return false;
    if (group.code == 999) return true;  // comments
    if (group.code == 0) {
        const std::string_view name = trimmed_field(group.value);
        if (name == "ENDSEC") in_drawing_section = false;
        const bool marker = name == "SECTION" || name == "ENDSEC" || name == "EOF";
        if (marker || (in_drawing_section && kind_of(name) != Kind::other)) {
            passing = name == "SECTION" ? Passing::section_header : Passing::entity;
            start_entity(marker ? std::string_view() : name);
        } else {
            passing = Passing::none;  // an entity the picture does not draw
        }
        return true;
    }
    // Extended data (codes 1000 and above) is of no use to the picture.
    if (passing == Passing::none || group.code >= 1000) return true;
    if (passing == Passing::section_header) {
        take_section_group(group);
    } else {
        take_entity_group(group);
    }
    return budget.keep_going();
}

void DxfEntityReader::State::take_section_group(const DxfGroup& group) {
    if (group.code != 2) return;
    const std::string_view name = trimmed_field(group.value);
    in_drawing_section = name == "ENTITIES" || name == "BLOCKS";
}

void DxfEntityReader::State::take_entity_group(const DxfGroup& group) {
    if (group.code < 0) return;
    if (group.code == 9) {
        // A variable name inside an entity ends it, as a new record would.
        const std::string_view value = group.value.substr(0, group.value.find('\0'));
        start_entity(value);
        return;
    }
    if (kind == Kind::mtext && group.code == 3) {
        budget.spend_text(group.value.size());
        mtext_chunks += group.value.substr(0, group.value.find('\0'));
        return;
    }
    if (kind == Kind::lwpolyline && take_vertex_group(group)) return;
    if (kind == Kind::spline && take_spline_group(group)) return;
    values.set(group.code, group.value);
}

// LWPOLYLINE: each 10 starts a vertex; 20 and 42 complete the last one. The declared count (90)
// is not needed.
bool DxfEntityReader::State::take_vertex_group(const DxfGroup& group) {
    switch (group.code) {
        case 10:
            budget.spend_points(1);
            lw_vertices.push_back({{real_of(group.value), 0}, 0});
            return true;
        case 20:
            if (!lw_vertices.empty()) lw_vertices.back().point.y = real_of(group.value);
            return true;
        case 42:
            if (!lw_vertices.empty()) lw_vertices.back().bulge = real_of(group.value);
            return true;
        case 30:
        case 90:
            return true;
        default:
            return false;
    }
}

// SPLINE: knots (40), weights (41), control points (10/20) and fit points (11/21) in the order
// they come; the declared counts (72, 73, 74) are not needed.
bool DxfEntityReader::State::take_spline_group(const DxfGroup& group) {
    switch (group.code) {
        case 40:
            budget.spend_points(1);
            knots.push_back(real_of(group.value));
            return true;
        case 41:
            budget.spend_points(1);
            weights.push_back(real_of(group.value));
            return true;
        case 10:
            budget.spend_points(1);
            spline_control.push_back({real_of(group.value), 0});
            return true;
        case 20:
            if (!spline_control.empty()) spline_control.back().y = real_of(group.value);
            return true;
        case 11:
            budget.spend_points(1);
            spline_fit.push_back({real_of(group.value), 0});
            return true;
        case 21:
            if (!spline_fit.empty()) spline_fit.back().y = real_of(group.value);
            return true;
        case 30:
        case 31:
        case 72:
        case 73:
        case 74:
            return true;
        default:
            return false;
    }
}

void DxfEntityReader::State::start_entity(std::string_view name) {
    end_entity();
    kind = kind_of(name);
    values.clear();
    lw_vertices.clear();
    knots.clear();
    weights.clear();
    spline_control.clear();
    spline_fit.clear();
}

void DxfEntityReader::State::end_entity() {
    in_paper_space = values.integer(67, 0) != 0;
    ocs = Ocs{values.real(230, 1.0) < 0};
    end_shape_entity();
}

void DxfEntityReader::State::end_shape_entity() {
    const EntityValues& v = values;
    switch (kind) {
        case Kind::block: {
            const std::string_view name = v.text(2);
            if (name.empty() || !budget.spend_primitive()) return;
            finish_pending();
            current_block = &blocks[block_key(name)];
            current_block->base = {v.real(10, 0.0), v.real(20, 0.0)};
            return;
        }
        case Kind::end_block:
            finish_pending();
            current_block = nullptr;
            return;
        case Kind::line: {
            finish_pending();
            const DxfLine line{{v.real(10, 0.0), v.real(20, 0.0)},
                               {v.real(11, 0.0), v.real(21, 0.0)}};
            if (finite(line.from) && finite(line.to) && budget.spend_primitive()) {
                target().lines.push_back(line);
            }
            return;
        }
        case Kind::arc: {
            finish_pending();
            const double start = v.real(50, 0.0), end = v.real(51, 0.0);
            // Mirroring reverses the sense: the mirrored end becomes the start.
            add_arc({ocs.point(v.real(10, 0.0), v.real(20, 0.0)), v.real(40, 0.0),
                     ocs.mirrored ? ocs.angle(end) : start, ocs.mirrored ? ocs.angle(start) : end});
            return;
        }
        case Kind::circle:
            finish_pending();
            add_arc({ocs.point(v.real(10, 0.0), v.real(20, 0.0)), v.real(40, 0.0), 0, 360});
            return;
        case Kind::ellipse: {
            finish_pending();
            const double ratio = v.real(40, 1.0), start = v.real(41, 0.0),
                         end = v.real(42, 2 * kPi);
            if (!finite(ratio) || !finite(start) || !finite(end)) return;
            add_polyline(flatten_ellipse({v.real(10, 0.0), v.real(20, 0.0)},
                                         {v.real(11, 0.0), v.real(21, 0.0)}, ratio, start, end));
            return;
        }
        case Kind::polyline:
            open_polyline();
            return;
        case Kind::lwpolyline:
            open_polyline();
            for (const BulgeVertex& vertex : lw_vertices) add_vertex(vertex.point, vertex.bulge);
            return;
        case Kind::vertex: {
            const int flags = v.integer(70, 0);
            if ((flags & 128) && !(flags & 64)) return;  // a mesh face record, not a point
            add_vertex({v.real(10, 0.0), v.real(20, 0.0)}, v.real(42, 0.0));
            return;
        }
        case Kind::seqend:
            finish_pending();
            return;
        case Kind::spline:
            open_spline();
            return;
        case Kind::text:
            finish_pending();
            add_text(placed_text(v, ocs));
            return;
        case Kind::mtext:
            finish_pending();
            add_text(placed_mtext(v, mtext_chunks));
            mtext_chunks.clear();
            return;
        case Kind::insert:
            add_insert();
            return;
        case Kind::solid:
        case Kind::trace:
            add_quad(true);
            return;
        case Kind::face:
            add_quad(false);
            return;
        case Kind::other:
            return;
    }
}

void DxfEntityReader::State::add_arc(const DxfArc& arc) {
    if (finite(arc.centre) && finite(arc.radius) && arc.radius > 0 && finite(arc.start_degrees) &&
        finite(arc.end_degrees) && budget.spend_primitive()) {
        target().arcs.push_back(arc);
    }
}

void DxfEntityReader::State::add_polyline(DxfPolyline line) {
    if (line.points.empty()) return;
    if (!std::all_of(line.points.begin(), line.points.end(), [](DxfPoint p) { return finite(p); }))
        return;
    if (!budget.spend_primitive() || !budget.spend_points(line.points.size())) return;
    target().polylines.push_back(std::move(line));
}

void DxfEntityReader::State::add_text(DxfText text) {
    if (!text.text.empty() && finite(text.position) && finite(text.height) &&
        finite(text.angle_degrees) && budget.spend_primitive() &&
        budget.spend_text(text.text.size())) {
        target().texts.push_back(std::move(text));
    }
}

void DxfEntityReader::State::add_quad(bool solid_order) {
    finish_pending();
    // SOLID and TRACE list their corners in a Z order; 3DFACE goes around.
    const int order[4] = {0, 1, solid_order ? 3 : 2, solid_order ? 2 : 3};
    const Ocs plane = solid_order ? ocs : Ocs{};
    DxfPolyline line{{}, true};
    for (int i : order)
        line.points.push_back(plane.point(values.real(10 + i, 0.0), values.real(20 + i, 0.0)));
    add_polyline(std::move(line));
}

void DxfEntityReader::State::add_insert() {
    const EntityValues& v = values;
    const std::string_view name = v.text(2);
    if (name.empty()) return;
    finish_pending();
    InsertRecord insert;
    insert.block = block_key(name);
    insert.at = {v.real(10, 0.0), v.real(20, 0.0)};
    const double sx = v.real(41, 1.0), sy = v.real(42, 1.0);
    insert.scale_x = sx == 0 ? 1 : sx;
    insert.scale_y = sy == 0 ? 1 : sy;
    insert.rotation_degrees = v.real(50, 0.0);
    insert.mirrored = ocs.mirrored;
    insert.columns = std::max(1, v.integer(70, 1));
    insert.rows = std::max(1, v.integer(71, 1));
    insert.column_spacing = v.real(44, 0.0);
    insert.row_spacing = v.real(45, 0.0);
    const double checked[] = {
        insert.at.x,           insert.at.y,       sx, sy, insert.rotation_degrees,
        insert.column_spacing, insert.row_spacing};
    if (std::all_of(std::begin(checked), std::end(checked), [](double x) { return finite(x); }) &&
        budget.spend_primitive()) {
        (current_block ? current_block->inserts : paper_or_model().inserts).push_back(insert);
    }
}

void DxfEntityReader::State::open_polyline() {
    finish_pending();
    const int flags = values.integer(70, 0);
    polyline_open = true;
    // Meshes and polyface meshes carry face records among their vertices: not a path.
    polyline_is_path = (flags & (16 | 64)) == 0;
    polyline_closed = (flags & 1) != 0;
    polyline_ocs = ocs;
    vertices.clear();
}

void DxfEntityReader::State::add_vertex(DxfPoint point, double bulge) {
    // A bulge becomes up to an arc's worth of points when the polyline is drawn.
    const std::size_t points = bulge != 0 ? 1 + kMaxArcSegments : 1;
    if (!polyline_open || !polyline_is_path || !budget.spend_points(points)) return;
    // Mirroring the plane turns counter-clockwise bulges clockwise.
    vertices.push_back(
        {polyline_ocs.point(point.x, point.y), polyline_ocs.mirrored ? -bulge : bulge});
}

void DxfEntityReader::State::open_spline() {
    finish_pending();
    spline_open = true;
    const auto degree = static_cast<unsigned>(values.integer(71, 3));
    spline_degree = static_cast<int>(std::min(degree, 64u));
    spline_knots = knots;
    spline_points.clear();
    for (std::size_t i = 0; i < spline_control.size(); ++i) {
        // Weights beyond the control points all land on the last one.
        double weight = i < weights.size() ? weights[i] : 1.0;
        if (i + 1 == spline_control.size() && weights.size() > spline_control.size())
            weight = weights.back();
        spline_points.push_back({spline_control[i], weight});
    }
    spline_fit_points = spline_fit;
}

void DxfEntityReader::State::finish_pending() {
    if (polyline_open) {
        polyline_open = false;
        if (polyline_is_path) add_polyline(flatten_bulges(vertices, polyline_closed));
        vertices.clear();
    }
    if (spline_open) {
        spline_open = false;
        if (!spline_points.empty()) {
            add_polyline(flatten_spline(spline_degree, spline_knots, spline_points));
        } else if (!spline_fit_points.empty()) {
            add_polyline({spline_fit_points, false});
        }
    }
}

DxfEntityReader::DxfEntityReader(const DxfReadLimits& limits)
    : state_(std::make_unique<State>(limits)) {}

DxfEntityReader::~DxfEntityReader() = default;

bool DxfEntityReader::feed(std::string_view utf8_piece) {
    State& s = *state_;
    if (s.groups.ended() || !s.budget.keep_going()) return false;
    return s.groups.feed(utf8_piece, [&s](const DxfGroup& group) { return s.take(group); }) &&
           s.budget.keep_going();
}

DxfGeometry DxfEntityReader::finish() {
    State& s = *state_;
    s.groups.finish([&s](const DxfGroup& group) { return s.take(group); });
    // The entity whose groups were arriving when the data ended is incomplete: it is not drawn.
    s.finish_pending();
    const bool model_drawn = has_content(s.model) || !has_content(s.paper);
    return expand_blocks(model_drawn ? s.model : s.paper, s.blocks, s.budget);
}

}  // namespace vermark
