// Reading a DXF drawing's entities through dxflib for the preview picture.
#include "dxf/dxf_geometry.h"

#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <optional>
#include <sstream>

#include "dxf/dxf_geometry_internal.h"
#include "platform/wide.h"
#include "text/text_reader.h"

namespace vermark {
namespace {

using namespace dxf_detail;

// Block references are expanded into copies; these bounds keep a hostile file (a block
// inserting itself, huge arrays) from exhausting time or memory.
constexpr int kMaxBlockDepth = 16;
constexpr std::size_t kMaxPrimitives = 2'000'000;
constexpr std::size_t kMaxInsertCopies = 200'000;

bool finite(double v) {
    return std::isfinite(v);
}
bool finite(DxfPoint p) {
    return finite(p.x) && finite(p.y);
}

std::string block_key(std::string name) {
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

struct InsertRecord {
    std::string block;
    DxfPoint at;
    double scale_x = 1, scale_y = 1, rotation_degrees = 0;
    bool mirrored = false;
    int columns = 1, rows = 1;
    double column_spacing = 0, row_spacing = 0;

    // Block coordinates into the inserting container's, for the array copy (column, row).
    // Array copies are spaced along the insert's own rotated axes, unscaled.
    Affine placement(DxfPoint base, int column, int row) const {
        return Affine::translation(-base.x, -base.y)
            .then(Affine::scaling(scale_x, scale_y))
            .then(Affine::translation(column * column_spacing, row * row_spacing))
            .then(Affine::rotation(rotation_degrees))
            .then(Affine::translation(at.x, at.y))
            .then(Affine::scaling(mirrored ? -1 : 1, 1));
    }
};

struct Container {
    DxfGeometry geometry;
    std::vector<InsertRecord> inserts;
    DxfPoint base;
};

// Entities in the object coordinate system with the extrusion pointing down are mirrored in x.
struct Ocs {
    bool mirrored = false;
    DxfPoint point(double x, double y) const { return {mirrored ? -x : x, y}; }
    double angle(double degrees) const { return mirrored ? 180.0 - degrees : degrees; }
};

class Collector : public DL_CreationAdapter {
  public:
    DxfGeometry result() {
        finish_pending();
        DxfGeometry out;
        const Container& chosen = has_content(model_) || !has_content(paper_) ? model_ : paper_;
        expand(chosen, Affine{}, 0, out);
        out.bounds = bounds_of(out);
        return out;
    }

    void addBlock(const DL_BlockData& d) override {
        finish_pending();
        current_block_ = &blocks_[block_key(d.name)];
        current_block_->base = {d.bpx, d.bpy};
    }
    void endBlock() override {
        finish_pending();
        current_block_ = nullptr;
    }

    void addLine(const DL_LineData& d) override {
        finish_pending();
        const DxfLine line{{d.x1, d.y1}, {d.x2, d.y2}};
        if (finite(line.from) && finite(line.to)) target().lines.push_back(line);
    }

    void addArc(const DL_ArcData& d) override {
        finish_pending();
        const Ocs ocs = current_ocs();
        // Mirroring reverses the sense: the mirrored end becomes the start.
        add_arc({ocs.point(d.cx, d.cy), d.radius, ocs.mirrored ? ocs.angle(d.angle2) : d.angle1,
                 ocs.mirrored ? ocs.angle(d.angle1) : d.angle2});
    }

    void addCircle(const DL_CircleData& d) override {
        finish_pending();
        add_arc({current_ocs().point(d.cx, d.cy), d.radius, 0, 360});
    }

    void addEllipse(const DL_EllipseData& d) override {
        finish_pending();
        if (!finite(d.ratio) || !finite(d.angle1) || !finite(d.angle2)) return;
        add_polyline(flatten_ellipse({d.cx, d.cy}, {d.mx, d.my}, d.ratio, d.angle1, d.angle2));
    }

    void addPolyline(const DL_PolylineData& d) override {
        finish_pending();
        polyline_open_ = true;
        // Meshes and polyface meshes carry face records among their vertices: not a path.
        polyline_is_path_ = (d.flags & (16 | 64)) == 0;
        polyline_closed_ = (d.flags & 1) != 0;
        polyline_ocs_ = current_ocs();
        vertices_.clear();
    }

    void addVertex(const DL_VertexData& d) override {
        if (!polyline_open_ || !polyline_is_path_) return;
        // Mirroring the plane turns counter-clockwise bulges clockwise.
        vertices_.push_back(
            {polyline_ocs_.point(d.x, d.y), polyline_ocs_.mirrored ? -d.bulge : d.bulge});
    }

    void endSequence() override { finish_pending(); }

    void addSpline(const DL_SplineData& d) override {
        finish_pending();
        spline_open_ = true;
        spline_degree_ = static_cast<int>(std::min(d.degree, 64u));
        knots_.clear();
        control_.clear();
        fit_points_.clear();
    }
    void addKnot(const DL_KnotData& d) override {
        if (spline_open_) knots_.push_back(d.k);
    }
    void addControlPoint(const DL_ControlPointData& d) override {
        if (spline_open_) control_.push_back({{d.x, d.y}, d.w});
    }
    void addFitPoint(const DL_FitPointData& d) override {
        if (spline_open_) fit_points_.push_back({d.x, d.y});
    }

    void addSolid(const DL_SolidData& d) override { add_quad(d, true); }
    void addTrace(const DL_TraceData& d) override { add_quad(d, true); }
    void add3dFace(const DL_3dFaceData& d) override { add_quad(d, false); }

    void addText(const DL_TextData& d) override {
        finish_pending();
        const Ocs ocs = current_ocs();
        DxfText text;
        text.text = clean_text_value(d.text);
        text.height = d.height;
        text.angle_degrees = ocs.angle(d.angle * 180.0 / kPi);
        const bool aligned = d.hJustification == 3 || d.hJustification == 5;
        const bool justified = (d.hJustification != 0 || d.vJustification != 0) && !aligned;
        const DxfPoint anchor = justified ? ocs.point(d.apx, d.apy) : ocs.point(d.ipx, d.ipy);
        double dx = 0, dy = 0;
        if (justified) {
            const double width = text_width(text);
            if (d.hJustification == 1 || d.hJustification == 4) dx = -width / 2;
            if (d.hJustification == 2) dx = -width;
            if (d.vJustification == 2 || d.hJustification == 4) dy = -d.height / 2;
            if (d.vJustification == 3) dy = -d.height;
        }
        text.position = offset_along(anchor, text.angle_degrees, dx, dy);
        add_text(std::move(text));
    }

    void addMTextChunk(const std::string& chunk) override { mtext_chunks_ += chunk; }

    void addMText(const DL_MTextData& d) override {
        finish_pending();
        DxfText text;
        text.text = clean_mtext_value(mtext_chunks_ + d.text);
        mtext_chunks_.clear();
        text.height = d.height;
        text.angle_degrees = mtext_angle(d);
        const int attachment =
            d.attachmentPoint >= 1 && d.attachmentPoint <= 9 ? d.attachmentPoint : 1;
        const int row = (attachment - 1) / 3, column = (attachment - 1) % 3;
        const double width = text_width(text);
        const double block_height =
            d.height * (1 + kLineSpacingFactor * static_cast<double>(line_count(text.text) - 1));
        const double dx = column == 0 ? 0 : column == 1 ? -width / 2 : -width;
        const double dy = row == 0   ? -d.height
                          : row == 1 ? block_height / 2 - d.height
                                     : block_height - d.height;
        text.position = offset_along({d.ipx, d.ipy}, text.angle_degrees, dx, dy);
        add_text(std::move(text));
    }

    void addInsert(const DL_InsertData& d) override {
        finish_pending();
        InsertRecord insert;
        insert.block = block_key(d.name);
        insert.at = {d.ipx, d.ipy};
        insert.scale_x = d.sx == 0 ? 1 : d.sx;
        insert.scale_y = d.sy == 0 ? 1 : d.sy;
        insert.rotation_degrees = d.angle;
        insert.mirrored = current_ocs().mirrored;
        insert.columns = std::max(1, d.cols);
        insert.rows = std::max(1, d.rows);
        insert.column_spacing = d.colSp;
        insert.row_spacing = d.rowSp;
        const double values[] = {d.ipx, d.ipy, d.sx, d.sy, d.angle, d.colSp, d.rowSp};
        if (std::all_of(std::begin(values), std::end(values), [](double v) { return finite(v); })) {
            (current_block_ ? current_block_->inserts : paper_or_model().inserts).push_back(insert);
        }
    }

  private:
    Container model_, paper_;
    std::map<std::string, Container> blocks_;
    Container* current_block_ = nullptr;
    std::string mtext_chunks_;

    bool polyline_open_ = false, polyline_is_path_ = true, polyline_closed_ = false;
    Ocs polyline_ocs_;
    std::vector<BulgeVertex> vertices_;

    bool spline_open_ = false;
    int spline_degree_ = 3;
    std::vector<double> knots_;
    std::vector<ControlPoint> control_;
    std::vector<DxfPoint> fit_points_;

    std::size_t copies_ = 0;

    Container& paper_or_model() { return getAttributes().isInPaperSpace() ? paper_ : model_; }
    DxfGeometry& target() {
        return current_block_ ? current_block_->geometry : paper_or_model().geometry;
    }

    Ocs current_ocs() {
        const DL_Extrusion* extrusion = getExtrusion();
        return {extrusion != nullptr && extrusion->getDirection()[2] < 0};
    }

    static bool has_content(const Container& c) {
        return !c.geometry.empty() || !c.inserts.empty();
    }

    static double text_width(const DxfText& text) {
        return text.height * kCharWidthFactor * static_cast<double>(longest_line_length(text.text));
    }

    static DxfPoint offset_along(DxfPoint anchor, double angle_degrees, double dx, double dy) {
        const double a = angle_degrees * kPi / 180.0;
        return {anchor.x + dx * std::cos(a) - dy * std::sin(a),
                anchor.y + dx * std::sin(a) + dy * std::cos(a)};
    }

    double mtext_angle(const DL_MTextData& d) const {
        if (finite(d.dirx) && finite(d.diry) && (d.dirx != 0 || d.diry != 0)) {
            return std::atan2(d.diry, d.dirx) * 180.0 / kPi;
        }
        return d.angle * 180.0 / kPi;
    }

    void add_arc(const DxfArc& arc) {
        if (finite(arc.centre) && finite(arc.radius) && arc.radius > 0 &&
            finite(arc.start_degrees) && finite(arc.end_degrees)) {
            target().arcs.push_back(arc);
        }
    }

    void add_polyline(DxfPolyline line) {
        if (line.points.empty()) return;
        if (!std::all_of(line.points.begin(), line.points.end(),
                         [](DxfPoint p) { return finite(p); })) {
            return;
        }
        target().polylines.push_back(std::move(line));
    }

    void add_text(DxfText text) {
        if (!text.text.empty() && finite(text.position) && finite(text.height) &&
            finite(text.angle_degrees)) {
            target().texts.push_back(std::move(text));
        }
    }

    void add_quad(const DL_TraceData& d, bool solid_order) {
        finish_pending();
        // SOLID and TRACE list their corners in a Z order; 3DFACE goes around.
        const int order[4] = {0, 1, solid_order ? 3 : 2, solid_order ? 2 : 3};
        const Ocs ocs = solid_order ? current_ocs() : Ocs{};
        DxfPolyline line{{}, true};
        for (int i : order) line.points.push_back(ocs.point(d.x[i], d.y[i]));
        add_polyline(std::move(line));
    }

    void finish_pending() {
        if (polyline_open_) {
            polyline_open_ = false;
            if (polyline_is_path_) add_polyline(flatten_bulges(vertices_, polyline_closed_));
            vertices_.clear();
        }
        if (spline_open_) {
            spline_open_ = false;
            if (!control_.empty()) {
                add_polyline(flatten_spline(spline_degree_, knots_, control_));
            } else if (!fit_points_.empty()) {
                add_polyline({fit_points_, false});
            }
        }
    }

    void expand(const Container& container, const Affine& transform, int depth, DxfGeometry& out) {
        if (out.count() + container.geometry.count() > kMaxPrimitives) return;
        append_transformed(container.geometry, transform, out);
        if (depth >= kMaxBlockDepth) return;
        for (const InsertRecord& insert : container.inserts) {
            const auto found = blocks_.find(insert.block);
            if (found == blocks_.end()) continue;
            const Container& block = found->second;
            for (int r = 0; r < insert.rows; ++r) {
                for (int c = 0; c < insert.columns; ++c) {
                    if (++copies_ > kMaxInsertCopies) return;
                    expand(block, insert.placement(block.base, c, r).then(transform), depth + 1,
                           out);
                }
            }
        }
    }
};

// The bytes as UTF-8 text when they are valid UTF-8 without a UTF-16 or UTF-32 mark (a UTF-8
// mark is dropped); none when they need decoding.
std::optional<std::string_view> as_utf8(const ByteBuffer& bytes) {
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead == 0) return std::nullopt;  // UTF-16 and UTF-32 hold zero bytes
        const std::size_t length = lead < 0x80                   ? 1
                                   : lead >= 0xC2 && lead < 0xE0 ? 2
                                   : lead >= 0xE0 && lead < 0xF0 ? 3
                                   : lead >= 0xF0 && lead < 0xF5 ? 4
                                                                 : 0;
        if (length == 0 || i + length > text.size()) return std::nullopt;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return std::nullopt;
        }
        i += length;
    }
    return text;
}

}  // namespace

DxfGeometry parse_dxf_geometry(std::string_view utf8_text) {
    if (utf8_text.empty()) return {};
    try {
        DL_Dxf dxf;
        Collector collector;
        std::istringstream stream{drawable_groups(utf8_text)};
        if (!dxf.in(stream, &collector)) return {};
        return collector.result();
    } catch (...) {
        // dxflib allocates by counts read from the file; a hostile count must not end the program.
        return {};
    }
}

DxfGeometry read_dxf_geometry(const std::u16string& path) {
    const ByteBuffer bytes = read_file_bytes(path);
    if (bytes.empty()) return {};
    // Most drawings are ASCII or UTF-8 already: hand them over as they are, without the mark.
    if (const std::optional<std::string_view> utf8 = as_utf8(bytes))
        return parse_dxf_geometry(*utf8);
    return parse_dxf_geometry(to_utf8(decode_text(bytes)));
}

}  // namespace vermark
