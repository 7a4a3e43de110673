// Plane transforms, curve flattening and bounds for the DXF picture reader.
#include <algorithm>
#include <cmath>

#include "dxf/dxf_geometry_internal.h"

namespace vermark {
namespace dxf_detail {
namespace {

constexpr double kDegreesPerSegment = 5.0;
constexpr int kMaxSplineSamples = 512;

double radians(double degrees) {
    return degrees * kPi / 180.0;
}
double degrees(double radians) {
    return radians * 180.0 / kPi;
}

int segments_for(double sweep_degrees, int minimum, int maximum) {
    const double n = std::ceil(std::fabs(sweep_degrees) / kDegreesPerSegment);
    if (!(n >= minimum)) return minimum;  // also catches NaN
    return n > maximum ? maximum : static_cast<int>(n);
}

// Sweep in (0, 360]: equal start and end angles describe a full circle.
double arc_sweep(const DxfArc& arc) {
    double sweep = std::fmod(arc.end_degrees - arc.start_degrees, 360.0);
    if (!(sweep > 0)) sweep += 360.0;
    return sweep;
}

// Points strictly after `from`, up to and including `to`, on the arc segment with `bulge`.
void append_bulge_segment(DxfPoint from, DxfPoint to, double bulge, std::vector<DxfPoint>& out) {
    const double dx = to.x - from.x, dy = to.y - from.y;
    const double chord = std::hypot(dx, dy);
    if (!std::isfinite(bulge) || std::fabs(bulge) < 1e-9 || chord <= 0) {
        out.push_back(to);
        return;
    }
    // Centre: from the chord's middle along the left normal, by a signed distance.
    const double offset = chord * (1 - bulge * bulge) / (4 * bulge);
    const DxfPoint centre{(from.x + to.x) / 2 - dy / chord * offset,
                          (from.y + to.y) / 2 + dx / chord * offset};
    const double radius = std::hypot(from.x - centre.x, from.y - centre.y);
    const double start = std::atan2(from.y - centre.y, from.x - centre.x);
    const double sweep = 4 * std::atan(bulge);
    const int n = segments_for(degrees(sweep), 2, kMaxArcSegments);
    for (int i = 1; i < n; ++i) {
        const double t = start + sweep * i / n;
        out.push_back({centre.x + radius * std::cos(t), centre.y + radius * std::sin(t)});
    }
    out.push_back(to);
}

bool finite(DxfPoint p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// De Boor's evaluation in homogeneous coordinates at parameter u within span k.
DxfPoint de_boor(int degree, int k, double u, const std::vector<double>& knots,
                 const std::vector<ControlPoint>& control) {
    struct H {
        double x, y, w;
    };
    std::vector<H> d(degree + 1);
    for (int j = 0; j <= degree; ++j) {
        const ControlPoint& cp = control[j + k - degree];
        const double w = cp.weight > 0 ? cp.weight : 1.0;
        d[j] = {cp.point.x * w, cp.point.y * w, w};
    }
    for (int r = 1; r <= degree; ++r) {
        for (int j = degree; j >= r; --j) {
            const double left = knots[j + k - degree];
            const double right = knots[j + 1 + k - r];
            const double alpha = right > left ? (u - left) / (right - left) : 0.0;
            d[j] = {(1 - alpha) * d[j - 1].x + alpha * d[j].x,
                    (1 - alpha) * d[j - 1].y + alpha * d[j].y,
                    (1 - alpha) * d[j - 1].w + alpha * d[j].w};
        }
    }
    const H& h = d[degree];
    return h.w != 0 ? DxfPoint{h.x / h.w, h.y / h.w} : DxfPoint{h.x, h.y};
}

// A clamped uniform knot vector for drawings whose knots are missing or inconsistent.
std::vector<double> clamped_uniform_knots(int degree, int control_count) {
    std::vector<double> knots;
    const int inner = control_count - degree - 1;
    for (int i = 0; i <= degree; ++i) knots.push_back(0);
    for (int i = 1; i <= inner; ++i) knots.push_back(static_cast<double>(i) / (inner + 1));
    for (int i = 0; i <= degree; ++i) knots.push_back(1);
    return knots;
}

bool knots_fit(int degree, const std::vector<double>& knots, std::size_t control_count) {
    if (knots.size() != control_count + degree + 1) return false;
    for (std::size_t i = 1; i < knots.size(); ++i) {
        if (!(knots[i] >= knots[i - 1])) return false;
    }
    return knots[control_count] > knots[degree];
}

void add_text_extent(const DxfText& text, DxfBounds& bounds) {
    const double h = text.height > 0 ? text.height : 0;
    const double w = h * kCharWidthFactor * static_cast<double>(longest_line_length(text.text));
    const double below = h * kLineSpacingFactor * static_cast<double>(line_count(text.text) - 1);
    const double angle = radians(text.angle_degrees);
    const double cs = std::cos(angle), sn = std::sin(angle);
    for (DxfPoint corner :
         {DxfPoint{0, -below}, DxfPoint{w, -below}, DxfPoint{0, h}, DxfPoint{w, h}}) {
        bounds.add({text.position.x + corner.x * cs - corner.y * sn,
                    text.position.y + corner.x * sn + corner.y * cs});
    }
}

void add_arc_extent(const DxfArc& arc, DxfBounds& bounds) {
    const double sweep = arc_sweep(arc);
    auto point_at = [&](double deg) {
        return DxfPoint{arc.centre.x + arc.radius * std::cos(radians(deg)),
                        arc.centre.y + arc.radius * std::sin(radians(deg))};
    };
    bounds.add(point_at(arc.start_degrees));
    bounds.add(point_at(arc.start_degrees + sweep));
    // The quadrant points the arc passes through stretch the box to the full radius.
    const double first_quadrant = std::ceil(arc.start_degrees / 90.0) * 90.0;
    for (double q = first_quadrant; q < arc.start_degrees + sweep && q - first_quadrant < 360;
         q += 90) {
        bounds.add(point_at(q));
    }
}

}  // namespace

Affine Affine::then(const Affine& o) const {
    return {o.a * a + o.b * c, o.a * b + o.b * d,       o.c * a + o.d * c,
            o.c * b + o.d * d, o.a * e + o.b * f + o.e, o.c * e + o.d * f + o.f};
}

bool Affine::is_identity() const {
    return a == 1 && b == 0 && c == 0 && d == 1 && e == 0 && f == 0;
}

bool Affine::is_similarity() const {
    const double scale = std::hypot(a, c);
    const double tolerance = 1e-9 * (scale > 0 ? scale : 1);
    return std::fabs(a - d) <= tolerance && std::fabs(b + c) <= tolerance && a * d - b * c > 0;
}

double Affine::rotation_degrees() const {
    return degrees(std::atan2(c, a));
}

double Affine::scale_of_y_axis() const {
    return std::hypot(b, d);
}

Affine Affine::translation(double dx, double dy) {
    return {1, 0, 0, 1, dx, dy};
}

Affine Affine::scaling(double sx, double sy) {
    return {sx, 0, 0, sy, 0, 0};
}

Affine Affine::rotation(double deg) {
    const double cs = std::cos(radians(deg)), sn = std::sin(radians(deg));
    return {cs, -sn, sn, cs, 0, 0};
}

std::vector<DxfPoint> flatten_arc(const DxfArc& arc) {
    const double sweep = arc_sweep(arc);
    const int n = segments_for(sweep, 2, kMaxArcSegments);
    std::vector<DxfPoint> points;
    points.reserve(n + 1);
    for (int i = 0; i <= n; ++i) {
        const double t = radians(arc.start_degrees + sweep * i / n);
        points.push_back(
            {arc.centre.x + arc.radius * std::cos(t), arc.centre.y + arc.radius * std::sin(t)});
    }
    return points;
}

DxfPolyline flatten_bulges(const std::vector<BulgeVertex>& vertices, bool closed) {
    DxfPolyline line;
    line.closed = closed;
    if (vertices.empty()) return line;
    line.points.push_back(vertices.front().point);
    for (std::size_t i = 1; i < vertices.size(); ++i) {
        append_bulge_segment(vertices[i - 1].point, vertices[i].point, vertices[i - 1].bulge,
                             line.points);
    }
    if (closed && vertices.size() > 1 && vertices.back().bulge != 0) {
        // The closing segment is curved: draw it, then the closing point need not repeat.
        append_bulge_segment(vertices.back().point, vertices.front().point, vertices.back().bulge,
                             line.points);
        line.points.pop_back();
    }
    return line;
}

DxfPolyline flatten_ellipse(DxfPoint centre, DxfPoint major, double ratio, double start,
                            double end) {
    DxfPolyline line;
    double sweep = end - start;
    if (!(sweep > 1e-12)) sweep += 2 * kPi;
    if (!std::isfinite(sweep) || sweep > 2 * kPi + 1e-9) sweep = 2 * kPi;
    line.closed = std::fabs(sweep - 2 * kPi) < 1e-9;
    const DxfPoint minor{-major.y * ratio, major.x * ratio};
    const int n = segments_for(degrees(sweep), 8, 2 * kMaxArcSegments);
    const int last = line.closed ? n - 1 : n;
    for (int i = 0; i <= last; ++i) {
        const double t = start + sweep * i / n;
        line.points.push_back({centre.x + major.x * std::cos(t) + minor.x * std::sin(t),
                               centre.y + major.y * std::cos(t) + minor.y * std::sin(t)});
    }
    return line;
}

DxfPolyline flatten_spline(int degree, const std::vector<double>& given_knots,
                           const std::vector<ControlPoint>& control) {
    DxfPolyline line;
    const int n = static_cast<int>(control.size());
    if (degree < 1 || degree > 25 || n < degree + 1) {
        for (const ControlPoint& cp : control) line.points.push_back(cp.point);
        return line;
    }
    const std::vector<double> knots = knots_fit(degree, given_knots, control.size())
                                          ? given_knots
                                          : clamped_uniform_knots(degree, n);
    const double u0 = knots[degree], u1 = knots[n];
    const int samples = std::clamp(n * 8, 16, kMaxSplineSamples);
    int k = degree;
    for (int i = 0; i <= samples; ++i) {
        const double u = i == samples ? u1 : u0 + (u1 - u0) * i / samples;
        while (k < n - 1 && !(u < knots[k + 1])) ++k;
        line.points.push_back(de_boor(degree, k, u, knots, control));
    }
    return line;
}

void append_transformed(const DxfGeometry& in, const Affine& m, DxfGeometry& out) {
    for (const DxfLine& l : in.lines) out.lines.push_back({m.apply(l.from), m.apply(l.to)});
    for (const DxfPolyline& p : in.polylines) {
        DxfPolyline mapped{{}, p.closed};
        mapped.points.reserve(p.points.size());
        for (DxfPoint q : p.points) mapped.points.push_back(m.apply(q));
        out.polylines.push_back(std::move(mapped));
    }
    const bool similarity = m.is_similarity();
    for (const DxfArc& arc : in.arcs) {
        if (similarity) {
            const double rotation = m.rotation_degrees();
            out.arcs.push_back({m.apply(arc.centre), arc.radius * std::hypot(m.a, m.c),
                                arc.start_degrees + rotation, arc.end_degrees + rotation});
            continue;
        }
        DxfPolyline mapped;
        for (DxfPoint q : flatten_arc(arc)) mapped.points.push_back(m.apply(q));
        out.polylines.push_back(std::move(mapped));
    }
    for (const DxfText& t : in.texts) {
        out.texts.push_back({m.apply(t.position), t.height * m.scale_of_y_axis(),
                             t.angle_degrees + m.rotation_degrees(), t.text});
    }
}

DxfBounds bounds_of(const DxfGeometry& g) {
    DxfBounds bounds;
    for (const DxfLine& l : g.lines) {
        bounds.add(l.from);
        bounds.add(l.to);
    }
    for (const DxfPolyline& p : g.polylines) {
        for (DxfPoint q : p.points) bounds.add(q);
    }
    for (const DxfArc& arc : g.arcs) add_arc_extent(arc, bounds);
    for (const DxfText& t : g.texts) add_text_extent(t, bounds);
    return bounds;
}

}  // namespace dxf_detail

void DxfBounds::add(DxfPoint p) {
    if (!dxf_detail::finite(p)) return;
    if (!valid) {
        min_x = max_x = p.x;
        min_y = max_y = p.y;
        valid = true;
        return;
    }
    min_x = std::min(min_x, p.x);
    max_x = std::max(max_x, p.x);
    min_y = std::min(min_y, p.y);
    max_y = std::max(max_y, p.y);
}

DxfViewTransform fit_to_view(const DxfBounds& bounds, double left, double top, double width,
                             double height, double margin) {
    if (!bounds.valid) return {};
    const double room_w = std::max(0.0, width - 2 * margin);
    const double room_h = std::max(0.0, height - 2 * margin);
    const double bw = bounds.width(), bh = bounds.height();
    double scale = 1;
    if (bw > 0 || bh > 0) {
        const double sx = bw > 0 ? room_w / bw : INFINITY;
        const double sy = bh > 0 ? room_h / bh : INFINITY;
        scale = std::min(sx, sy);
        if (!std::isfinite(scale)) scale = 0;  // a drawing too large for doubles
    }
    const double centre_x = (bounds.min_x + bounds.max_x) / 2;
    const double centre_y = (bounds.min_y + bounds.max_y) / 2;
    return {scale, left + width / 2 - centre_x * scale, top + height / 2 + centre_y * scale};
}

}  // namespace vermark
