// Pieces of the DXF picture reader shared between its source files: plane transforms, curve
// flattening and the clean-up of DXF text codes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dxf/dxf_geometry.h"

namespace vermark::dxf_detail {

inline constexpr double kPi = 3.14159265358979323846;
// Rough proportions of a text line, for the bounding box and for anchoring a justified text.
inline constexpr double kCharWidthFactor = 0.6;
inline constexpr double kLineSpacingFactor = 5.0 / 3.0;
// Segments of a flattened arc (a bulge, a circle drawn as a polyline), at most.
inline constexpr int kMaxArcSegments = 72;

// x' = a x + b y + e, y' = c x + d y + f.
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    DxfPoint apply(DxfPoint p) const { return {a * p.x + b * p.y + e, c * p.x + d * p.y + f}; }
    Affine then(const Affine& outer) const;  // outer applied after this
    bool is_identity() const;
    // A rotation with a uniform positive scale: circles stay circles with their sense kept.
    bool is_similarity() const;
    double rotation_degrees() const;
    double scale_of_y_axis() const;

    static Affine translation(double dx, double dy);
    static Affine scaling(double sx, double sy);
    static Affine rotation(double degrees);
};

// Points of an arc, counter-clockwise from start to end (degrees), ends included.
std::vector<DxfPoint> flatten_arc(const DxfArc& arc);

// The polyline of vertices whose bulges (tan of a quarter of the included angle, positive
// counter-clockwise) describe arc segments to the next vertex.
struct BulgeVertex {
    DxfPoint point;
    double bulge = 0;
};
DxfPolyline flatten_bulges(const std::vector<BulgeVertex>& vertices, bool closed);

// Ellipse with centre, major-axis end point relative to it, minor/major ratio and parameter
// range in radians.
DxfPolyline flatten_ellipse(DxfPoint centre, DxfPoint major, double ratio, double start,
                            double end);

// A B-spline (rational when weights differ from 1) by its knots and control points. Knots that
// do not fit the degree and the number of control points are replaced by clamped uniform ones;
// a degree the points cannot carry gives the control polygon.
struct ControlPoint {
    DxfPoint point;
    double weight = 1;
};
DxfPolyline flatten_spline(int degree, const std::vector<double>& knots,
                           const std::vector<ControlPoint>& control);

// The geometry with every coordinate transformed, appended to `out`. Arcs that the transform
// would distort become polylines.
void append_transformed(const DxfGeometry& in, const Affine& transform, DxfGeometry& out);

// Box of everything in the geometry; texts count with their approximate extent.
DxfBounds bounds_of(const DxfGeometry& geometry);

// Readable UTF-8 from a TEXT value: %%c, %%d, %%p and \U+XXXX become their characters.
std::string clean_text_value(std::string_view raw);
// Readable UTF-8 from an MTEXT value: formatting codes removed, \P as '\n'.
std::string clean_mtext_value(std::string_view raw);
// Characters (code points) of the longest line and the number of lines.
std::size_t longest_line_length(std::string_view utf8);
std::size_t line_count(std::string_view utf8);

}  // namespace vermark::dxf_detail
