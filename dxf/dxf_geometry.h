// The drawable content of a DXF drawing, read into plain structs so that the preview can draw a
// picture of a file that has no thumbnail anywhere else. Only what a small picture needs: lines,
// arcs, polylines (bulges flattened) and texts, block references expanded, and the bounding box.
// Unreadable files give an empty result; nothing here throws. Every read is bounded by
// DxfReadLimits: past them the reader stops quietly with what it has.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vermark {

struct DxfPoint {
    double x = 0;
    double y = 0;
};

struct DxfLine {
    DxfPoint from;
    DxfPoint to;
};

// Counter-clockwise from `start_degrees` to `end_degrees`; a circle runs from 0 to 360.
struct DxfArc {
    DxfPoint centre;
    double radius = 0;
    double start_degrees = 0;
    double end_degrees = 360;
};

struct DxfPolyline {
    std::vector<DxfPoint> points;
    bool closed = false;
};

// Single-line and multi-line text; `text` is UTF-8 with MTEXT formatting removed and its
// paragraph breaks as '\n'. `position` is the insertion point (lower left of the first line
// for TEXT, the attachment point for MTEXT).
struct DxfText {
    DxfPoint position;
    double height = 0;
    double angle_degrees = 0;
    std::string text;
};

// Axis-aligned box in drawing units; empty until a point is added.
struct DxfBounds {
    double min_x = 0;
    double min_y = 0;
    double max_x = 0;
    double max_y = 0;
    bool valid = false;

    void add(DxfPoint p);
    double width() const { return valid ? max_x - min_x : 0; }
    double height() const { return valid ? max_y - min_y : 0; }
};

struct DxfGeometry {
    std::vector<DxfLine> lines;
    std::vector<DxfArc> arcs;
    std::vector<DxfPolyline> polylines;
    std::vector<DxfText> texts;
    DxfBounds bounds;

    bool empty() const {
        return lines.empty() && arcs.empty() && polylines.empty() && texts.empty();
    }
    std::size_t count() const {
        return lines.size() + arcs.size() + polylines.size() + texts.size();
    }
};

// What one read may cost. Lines longer than `max_line_bytes` are cut there; the other limits
// end the reading (or the expansion of block references) where they are reached.
struct DxfReadLimits {
    std::size_t max_input_bytes = std::size_t{256} << 20;  // of the file read
    std::size_t max_line_bytes = std::size_t{1} << 20;
    std::size_t max_primitives = 2'000'000;  // lines, arcs, polylines, texts: read, and expanded
    std::size_t max_points = 8'000'000;      // polyline points: read, and expanded
    std::size_t max_text_bytes = std::size_t{64} << 20;  // text: read, and expanded
    std::size_t max_insert_copies = 200'000;             // block copies made by the expansion
    int max_block_depth = 16;                            // block references within blocks
    std::chrono::milliseconds max_time{5'000};           // reading and expansion together
};

// The drawing in the file (UTF-8, UTF-16 with its mark, or Shift_JIS). Empty when the file is
// missing, unreadable or holds no drawable entity.
DxfGeometry read_dxf_geometry(const std::u16string& path, const DxfReadLimits& limits = {});

// The same for text already decoded to UTF-8.
DxfGeometry parse_dxf_geometry(std::string_view utf8_text, const DxfReadLimits& limits = {});

// The mapping of drawing coordinates into a view rectangle (y downwards) that shows the whole
// bounding box as large as possible with its proportions kept, centred in the other direction.
struct DxfViewTransform {
    double scale = 1;
    double offset_x = 0;  // view x of drawing x = 0
    double offset_y = 0;  // view y of drawing y = 0

    DxfPoint map(DxfPoint p) const { return {offset_x + p.x * scale, offset_y - p.y * scale}; }
    double length(double drawing_length) const { return drawing_length * scale; }
};

// `margin` view units are kept free on every side. A drawing without extent (a single point)
// is centred at scale 1; an empty one gives the identity.
DxfViewTransform fit_to_view(const DxfBounds& bounds, double left, double top, double width,
                             double height, double margin = 0);

}  // namespace vermark
