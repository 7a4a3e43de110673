#include "dxf/dxf_geometry.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <utility>

#include "dxf/dxf_entity_reader.h"
#include "dxf/dxf_group_values.h"
#include "platform/wide.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

using Group = std::pair<int, std::string>;

// A DXF text of group code / value lines.
std::string dxf(std::initializer_list<Group> groups) {
    std::string text;
    for (const auto& [code, value] : groups) text += std::to_string(code) + "\n" + value + "\n";
    return text;
}

std::string entities(const std::string& body) {
    return dxf({{0, "SECTION"}, {2, "ENTITIES"}}) + body + dxf({{0, "ENDSEC"}, {0, "EOF"}});
}

std::string line(double x1, double y1, double x2, double y2) {
    return dxf({{0, "LINE"},
                {8, "0"},
                {10, std::to_string(x1)},
                {20, std::to_string(y1)},
                {11, std::to_string(x2)},
                {21, std::to_string(y2)}});
}

std::string blocks(const std::string& body) {
    return dxf({{0, "SECTION"}, {2, "BLOCKS"}}) + body + dxf({{0, "ENDSEC"}});
}

std::string block(const std::string& name, const std::string& body) {
    return dxf({{0, "BLOCK"}, {8, "0"}, {2, name}, {70, "0"}, {10, "0"}, {20, "0"}}) + body +
           dxf({{0, "ENDBLK"}});
}

std::string insert(const std::string& name, int x, int columns = 1, int rows = 1) {
    return dxf({{0, "INSERT"},
                {8, "0"},
                {2, name},
                {10, std::to_string(x)},
                {20, "0"},
                {70, std::to_string(columns)},
                {71, std::to_string(rows)},
                {44, "1"},
                {45, "1"}});
}

std::string text_entity(const std::string& value, const std::string& layer = "0") {
    return dxf({{0, "TEXT"}, {8, layer}, {10, "0"}, {20, "0"}, {40, "1"}, {1, value}});
}

void expect_bounds(const DxfBounds& b, double min_x, double min_y, double max_x, double max_y) {
    ASSERT_TRUE(b.valid);
    EXPECT_NEAR(b.min_x, min_x, 1e-6);
    EXPECT_NEAR(b.min_y, min_y, 1e-6);
    EXPECT_NEAR(b.max_x, max_x, 1e-6);
    EXPECT_NEAR(b.max_y, max_y, 1e-6);
}

double distance(DxfPoint a, DxfPoint b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

TEST(DxfGeometry, ReadsLinesCirclesAndArcsWithTheirExtent) {
    const DxfGeometry g = parse_dxf_geometry(entities(
        line(0, 0, 10, 5) + dxf({{0, "CIRCLE"}, {8, "0"}, {10, "20"}, {20, "0"}, {40, "2"}}) +
        // A quarter arc from 0 to 90 degrees reaches x = 33 and y = 3, not further.
        dxf({{0, "ARC"}, {8, "0"}, {10, "30"}, {20, "0"}, {40, "3"}, {50, "0"}, {51, "90"}})));
    ASSERT_EQ(g.lines.size(), 1u);
    ASSERT_EQ(g.arcs.size(), 2u);
    EXPECT_EQ(g.arcs[0].end_degrees - g.arcs[0].start_degrees, 360);
    EXPECT_EQ(g.arcs[1].end_degrees, 90);
    expect_bounds(g.bounds, 0, -2, 33, 5);
}

TEST(DxfGeometry, ArcAcrossZeroDegreesCountsItsRightmostPoint) {
    const DxfGeometry g = parse_dxf_geometry(entities(
        dxf({{0, "ARC"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}, {50, "270"}, {51, "45"}})));
    ASSERT_EQ(g.arcs.size(), 1u);
    EXPECT_NEAR(g.bounds.max_x, 1, 1e-9);
    EXPECT_NEAR(g.bounds.min_y, -1, 1e-9);
    EXPECT_NEAR(g.bounds.min_x, 0, 1e-9);
}

TEST(DxfGeometry, LightweightPolylineBulgeBecomesArcPoints) {
    // From (0,0) to (10,0) with bulge 1: a counter-clockwise half circle below the chord.
    const DxfGeometry g = parse_dxf_geometry(entities(dxf({{0, "LWPOLYLINE"},
                                                           {8, "0"},
                                                           {90, "3"},
                                                           {70, "0"},
                                                           {10, "0"},
                                                           {20, "0"},
                                                           {42, "1"},
                                                           {10, "10"},
                                                           {20, "0"},
                                                           {10, "10"},
                                                           {20, "10"}})));
    ASSERT_EQ(g.polylines.size(), 1u);
    const DxfPolyline& p = g.polylines[0];
    EXPECT_FALSE(p.closed);
    ASSERT_GT(p.points.size(), 4u);
    for (std::size_t i = 0; i + 1 < p.points.size() && p.points[i].x < 10; ++i) {
        EXPECT_NEAR(distance(p.points[i], {5, 0}), 5, 1e-9);
    }
    EXPECT_NEAR(p.points.back().y, 10, 1e-9);
    expect_bounds(g.bounds, 0, -5, 10, 10);
}

TEST(DxfGeometry, PolylineWithVerticesAndClosedFlag) {
    const DxfGeometry g = parse_dxf_geometry(entities(dxf({{0, "POLYLINE"},
                                                           {8, "0"},
                                                           {66, "1"},
                                                           {70, "1"},
                                                           {10, "0"},
                                                           {20, "0"},
                                                           {0, "VERTEX"},
                                                           {8, "0"},
                                                           {10, "1"},
                                                           {20, "1"},
                                                           {0, "VERTEX"},
                                                           {8, "0"},
                                                           {10, "4"},
                                                           {20, "1"},
                                                           {0, "VERTEX"},
                                                           {8, "0"},
                                                           {10, "4"},
                                                           {20, "3"},
                                                           {0, "SEQEND"}}) +
                                                      line(-1, -1, 0, 0)));
    ASSERT_EQ(g.polylines.size(), 1u);
    EXPECT_TRUE(g.polylines[0].closed);
    EXPECT_EQ(g.polylines[0].points.size(), 3u);
    EXPECT_EQ(g.lines.size(), 1u);  // the entity after SEQEND is not swallowed
    expect_bounds(g.bounds, -1, -1, 4, 3);
}

TEST(DxfGeometry, BlockReferencesAreExpandedWithScaleRotationAndBasePoint) {
    const std::string blocks = dxf({{0, "SECTION"},
                                    {2, "BLOCKS"},
                                    {0, "BLOCK"},
                                    {8, "0"},
                                    {2, "Mark"},
                                    {70, "0"},
                                    {10, "1"},
                                    {20, "0"},
                                    {3, "Mark"}}) +
                               line(1, 0, 3, 0) + dxf({{0, "ENDBLK"}, {0, "ENDSEC"}});
    // Scaled twice, turned a quarter, at (100, 100): the line runs from (100,100) to (100,104).
    const std::string body = dxf({{0, "INSERT"},
                                  {8, "0"},
                                  {2, "MARK"},
                                  {10, "100"},
                                  {20, "100"},
                                  {41, "2"},
                                  {42, "2"},
                                  {50, "90"}});
    const DxfGeometry g = parse_dxf_geometry(blocks + entities(body));
    ASSERT_EQ(g.lines.size(), 1u);  // the definition itself is not drawn
    EXPECT_NEAR(g.lines[0].from.x, 100, 1e-9);
    EXPECT_NEAR(g.lines[0].from.y, 100, 1e-9);
    EXPECT_NEAR(g.lines[0].to.x, 100, 1e-9);
    EXPECT_NEAR(g.lines[0].to.y, 104, 1e-9);
}

TEST(DxfGeometry, SelfReferencingBlocksAndHugeArraysStayBounded) {
    const std::string blocks = dxf({{0, "SECTION"},
                                    {2, "BLOCKS"},
                                    {0, "BLOCK"},
                                    {8, "0"},
                                    {2, "Loop"},
                                    {70, "0"},
                                    {10, "0"},
                                    {20, "0"}}) +
                               line(0, 0, 1, 1) +
                               dxf({{0, "INSERT"},
                                    {8, "0"},
                                    {2, "Loop"},
                                    {10, "1"},
                                    {20, "0"},
                                    {70, "30000"},
                                    {71, "30000"},
                                    {44, "1"},
                                    {45, "1"}}) +
                               dxf({{0, "ENDBLK"}, {0, "ENDSEC"}});
    const DxfGeometry g = parse_dxf_geometry(
        blocks + entities(dxf({{0, "INSERT"}, {8, "0"}, {2, "Loop"}, {10, "0"}, {20, "0"}})));
    EXPECT_FALSE(g.empty());
    EXPECT_LE(g.count(), 2'000'000u);
}

TEST(DxfGeometry, DownwardExtrusionMirrorsArcs) {
    // Seen from above, an arc drawn in a plane facing down runs 90..180 at x = -5.
    const DxfGeometry g = parse_dxf_geometry(entities(dxf({{0, "ARC"},
                                                           {8, "0"},
                                                           {10, "5"},
                                                           {20, "0"},
                                                           {40, "1"},
                                                           {50, "0"},
                                                           {51, "90"},
                                                           {210, "0"},
                                                           {220, "0"},
                                                           {230, "-1"}})));
    ASSERT_EQ(g.arcs.size(), 1u);
    EXPECT_NEAR(g.arcs[0].centre.x, -5, 1e-9);
    EXPECT_NEAR(g.arcs[0].start_degrees, 90, 1e-9);
    EXPECT_NEAR(g.arcs[0].end_degrees, 180, 1e-9);
}

TEST(DxfGeometry, TextsAreCleanedOfControlCodes) {
    const DxfGeometry g = parse_dxf_geometry(entities(
        dxf({{0, "TEXT"}, {8, "0"}, {10, "1"}, {20, "2"}, {40, "2.5"}, {1, "%%c50 %%d\\U+65E5"}}) +
        dxf({{0, "MTEXT"},
             {8, "0"},
             {10, "0"},
             {20, "20"},
             {40, "1"},
             {71, "1"},
             {1, "{\\fArial|b1;Bold}\\PNext \\S1^2; 100%%"}})));
    ASSERT_EQ(g.texts.size(), 2u);
    EXPECT_EQ(g.texts[0].text, "\u230050 \u00B0\u65E5");
    EXPECT_NEAR(g.texts[0].height, 2.5, 1e-9);
    EXPECT_EQ(g.texts[1].text, "Bold\nNext 1/2 100%%");
    // Attached at its top left: the first baseline lies one text height lower.
    EXPECT_NEAR(g.texts[1].position.y, 19, 1e-9);
}

TEST(DxfGeometry, TextAnglesAreDegreesWhateverTheWriter) {
    const std::string body =
        dxf({{0, "TEXT"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}, {50, "30"}, {1, "t"}}) +
        dxf({{0, "MTEXT"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}, {50, "45"}, {1, "m"}}) +
        dxf({{0, "MTEXT"},
             {8, "0"},
             {10, "0"},
             {20, "0"},
             {40, "1"},
             {11, "0"},
             {21, "1"},
             {1, "v"}});
    for (const char* comment : {"", "999\ndxflib 2.0.0.0\n"}) {
        const DxfGeometry g = parse_dxf_geometry(comment + entities(body));
        ASSERT_EQ(g.texts.size(), 3u);
        EXPECT_NEAR(g.texts[0].angle_degrees, 30, 1e-9);
        EXPECT_NEAR(g.texts[1].angle_degrees, 45, 1e-9);
        EXPECT_NEAR(g.texts[2].angle_degrees, 90, 1e-9);
    }
}

TEST(DxfGeometry, UnreadableInputGivesAnEmptyResult) {
    EXPECT_TRUE(parse_dxf_geometry("").empty());
    EXPECT_TRUE(parse_dxf_geometry("not a drawing\n\x01\x02\xff\n").empty());
    // Counts and coordinates that no real drawing has.
    const DxfGeometry g = parse_dxf_geometry(
        entities(dxf({{0, "LWPOLYLINE"}, {8, "0"}, {90, "2000000000"}, {10, "0"}, {20, "0"}}) +
                 dxf({{0, "LWPOLYLINE"}, {8, "0"}, {90, "-5"}, {10, "0"}, {20, "0"}}) +
                 dxf({{0, "CIRCLE"}, {8, "0"}, {10, "nan"}, {20, "1e999"}, {40, "1"}}) +
                 dxf({{0, "SPLINE"},
                      {8, "0"},
                      {71, "3"},
                      {72, "99"},
                      {73, "2"},
                      {40, "0"},
                      {10, "0"},
                      {20, "0"},
                      {10, "1"},
                      {20, "1"}})));
    for (const DxfArc& arc : g.arcs) EXPECT_TRUE(std::isfinite(arc.centre.x));
    if (g.bounds.valid) {
        EXPECT_TRUE(std::isfinite(g.bounds.width()));
    }
}

TEST(DxfGeometry, ReadsFilesInEachEncodingAndSurvivesGarbage) {
    const auto folder = testing::fresh_folder("dxf_geometry");
    const std::string text =
        entities(line(0, 0, 3, 4) +
                 dxf({{0, "TEXT"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}, {1, "図面"}}));
    std::string utf16 = "\xFF\xFE";
    for (char16_t c : platform::from_utf8(text)) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    std::string sjis = text;
    sjis.replace(sjis.find("図面"), std::string("図面").size(), "\x90\x7D\x96\xCA");
    testing::write_bytes(folder / "plain.dxf", "\xEF\xBB\xBF" + text);
    testing::write_bytes(folder / "sjis.dxf", sjis);
    testing::write_bytes(folder / "wide.dxf", utf16);
    testing::write_bytes(folder / "empty.dxf", "");
    std::string garbage;
    for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 7919) % 256);
    testing::write_bytes(folder / "garbage.dxf", garbage);

    for (const char* name : {"plain.dxf", "wide.dxf", "sjis.dxf"}) {
        const DxfGeometry g = read_dxf_geometry(platform::from_utf8((folder / name).string()));
        ASSERT_EQ(g.lines.size(), 1u) << name;
        ASSERT_EQ(g.texts.size(), 1u) << name;
        EXPECT_EQ(g.texts[0].text, "図面") << name;
    }
    EXPECT_TRUE(read_dxf_geometry(platform::from_utf8((folder / "empty.dxf").string())).empty());
    EXPECT_TRUE(read_dxf_geometry(platform::from_utf8((folder / "garbage.dxf").string())).empty());
    EXPECT_TRUE(read_dxf_geometry(platform::from_utf8((folder / "missing.dxf").string())).empty());
}

TEST(DxfViewFit, WholeDrawingFitsCentredWithProportionsKept) {
    DxfBounds b;
    b.add({0, 0});
    b.add({10, 5});
    // A 200 x 200 view with a 10 margin: 180 across, so 18 per unit; 90 high, centred.
    const DxfViewTransform t = fit_to_view(b, 0, 0, 200, 200, 10);
    EXPECT_NEAR(t.scale, 18, 1e-9);
    const DxfPoint lower_left = t.map({0, 0}), upper_right = t.map({10, 5});
    EXPECT_NEAR(lower_left.x, 10, 1e-9);
    EXPECT_NEAR(upper_right.x, 190, 1e-9);
    EXPECT_NEAR(lower_left.y, 145, 1e-9);  // y grows downwards in the view
    EXPECT_NEAR(upper_right.y, 55, 1e-9);
}

TEST(DxfViewFit, DegenerateDrawings) {
    DxfBounds point;
    point.add({3, 3});
    const DxfViewTransform t = fit_to_view(point, 0, 0, 100, 50);
    EXPECT_NEAR(t.map({3, 3}).x, 50, 1e-9);
    EXPECT_NEAR(t.map({3, 3}).y, 25, 1e-9);

    DxfBounds vertical;
    vertical.add({0, 0});
    vertical.add({0, 10});
    EXPECT_NEAR(fit_to_view(vertical, 0, 0, 100, 50).scale, 5, 1e-9);

    EXPECT_EQ(fit_to_view(DxfBounds{}, 0, 0, 100, 50).scale, 1);
}

// Damaged and hostile drawings: lines of any length, text cut into pieces anywhere, lying
// counts, self-referencing and exploding block references, numbers as writers write them.

TEST(DxfEntityReader, LinesOfAnyLengthAreReadAndTheReadingGoesOn) {
    // Lines past 1024 bytes (a long text, a long layer name) once hung the reader for good.
    const std::string long_value(5000, 'x');
    const std::string text =
        entities(text_entity(long_value, std::string(2000, 'L')) + line(0, 0, 1, 1));
    const DxfGeometry g = parse_dxf_geometry(text);
    ASSERT_EQ(g.texts.size(), 1u);
    EXPECT_EQ(g.texts[0].text, long_value);
    EXPECT_EQ(g.lines.size(), 1u);

    // The same drawing as a UTF-16 file, the way the dialog reads it.
    std::string utf16 = "\xFF\xFE";
    for (char16_t c : platform::from_utf8(text)) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    const auto folder = testing::fresh_folder("dxf_long_lines");
    testing::write_bytes(folder / "long.dxf", utf16);
    const DxfGeometry read = read_dxf_geometry(platform::from_utf8((folder / "long.dxf").string()));
    ASSERT_EQ(read.texts.size(), 1u);
    EXPECT_EQ(read.texts[0].text, long_value);
    EXPECT_EQ(read.lines.size(), 1u);

    // Past the line limit the line is cut and the next entity still read.
    DxfReadLimits limits;
    limits.max_line_bytes = 100;
    const DxfGeometry cut = parse_dxf_geometry(text, limits);
    ASSERT_EQ(cut.texts.size(), 1u);
    EXPECT_EQ(cut.texts[0].text, std::string(100, 'x'));
    EXPECT_EQ(cut.lines.size(), 1u);
}

TEST(DxfEntityReader, TextInPiecesReadsAsTheWhole) {
    const std::string text =
        blocks(block("B", line(0, 0, 2, 0) + text_entity("in block"))) +
        entities(
            line(0, 0, 10, 5) + insert("b", 20) +
            dxf({{0, "LWPOLYLINE"},
                 {8, "0"},
                 {90, "2"},
                 {10, "0"},
                 {20, "0"},
                 {42, "1"},
                 {10, "4"},
                 {20, "0"}}) +
            dxf({{0, "MTEXT"}, {8, "0"}, {10, "0"}, {20, "0"}, {3, "first "}, {1, "\\Plast"}}));
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const DxfGeometry whole = parse_dxf_geometry(crlf);
    ASSERT_EQ(whole.lines.size(), 2u);
    ASSERT_EQ(whole.texts.size(), 2u);
    for (std::size_t piece : {1u, 2u, 3u, 7u, 64u}) {
        DxfEntityReader reader;
        for (std::size_t at = 0; at < crlf.size(); at += piece) reader.feed(crlf.substr(at, piece));
        const DxfGeometry g = reader.finish();
        EXPECT_EQ(g.lines.size(), whole.lines.size()) << piece;
        EXPECT_EQ(g.polylines.size(), whole.polylines.size()) << piece;
        ASSERT_EQ(g.texts.size(), whole.texts.size()) << piece;
        EXPECT_EQ(g.texts[0].text, "first \nlast") << piece;
        EXPECT_EQ(g.bounds.max_x, whole.bounds.max_x) << piece;
    }
}

TEST(DxfEntityReader, DeclaredCountsAreNotTrusted) {
    const DxfGeometry g =
        parse_dxf_geometry(blocks(block("B", line(0, 0, 1, 0))) +
                           entities(dxf({{0, "LWPOLYLINE"},
                                         {8, "0"},
                                         {90, "2147483648"},
                                         {10, "0"},
                                         {20, "0"},
                                         {10, "1"},
                                         {20, "1"}}) +
                                    dxf({{0, "SPLINE"},
                                         {8, "0"},
                                         {71, "2147483647"},
                                         {72, "-1"},
                                         {73, "2147483647"},
                                         {10, "0"},
                                         {20, "0"},
                                         {10, "5"},
                                         {20, "5"}}) +
                                    // 2^31 columns wrap to a negative count: one copy.
                                    dxf({{0, "INSERT"}, {8, "0"}, {2, "B"}, {70, "2147483648"}}) +
                                    insert("B", 0, INT_MAX, INT_MAX)));
    ASSERT_EQ(g.polylines.size(), 2u);
    EXPECT_EQ(g.polylines[0].points.size(), 2u);
    EXPECT_EQ(g.polylines[1].points.size(), 2u);  // a degree the points cannot carry
    EXPECT_EQ(g.lines.size(), 1 + DxfReadLimits{}.max_insert_copies - 1);
}

TEST(DxfEntityReader, BlockBombsStopAtTheirBudget) {
    // Ten levels of ten references each would be ten milliard lines.
    std::string defs = block("L0", line(0, 0, 1, 1));
    for (int level = 1; level <= 10; ++level) {
        std::string body;
        for (int i = 0; i < 10; ++i) body += insert("L" + std::to_string(level - 1), i);
        defs += block("L" + std::to_string(level), body);
    }
    defs += block("Self", line(0, 0, 1, 0) + insert("SELF", 1, 3, 3));
    DxfReadLimits limits;
    limits.max_insert_copies = 5000;
    limits.max_primitives = 20'000;
    for (const std::string& top : {insert("L10", 0), insert("Self", 0)}) {
        const DxfGeometry g = parse_dxf_geometry(blocks(defs) + entities(top), limits);
        EXPECT_FALSE(g.empty());
        EXPECT_LE(g.count(), limits.max_primitives);
    }
    // A large text copied over and over is bounded by the text budget as well.
    limits.max_text_bytes = 1 << 20;
    const std::string big = blocks(block("T", text_entity(std::string(100'000, 't')))) +
                            entities(insert("T", 0, 100, 100));
    const DxfGeometry g = parse_dxf_geometry(big, limits);
    EXPECT_LE(g.texts.size(), 10u);
}

TEST(DxfEntityReader, ReadingStopsAtItsBudgetsWithWhatItHas) {
    std::string body;
    for (int i = 0; i < 1000; ++i) body += line(i, 0, i, 1);
    DxfReadLimits limits;
    limits.max_primitives = 100;
    EXPECT_EQ(parse_dxf_geometry(entities(body), limits).lines.size(), 100u);

    // Each bulge becomes many points: they count while the vertices are read.
    std::string polyline = dxf({{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "0"}});
    for (int i = 0; i < 1000; ++i) {
        polyline += dxf({{0, "VERTEX"}, {8, "0"}, {10, std::to_string(i)}, {20, "0"}, {42, "1"}});
    }
    limits = {};
    limits.max_points = 5000;
    const DxfGeometry g = parse_dxf_geometry(entities(polyline + dxf({{0, "SEQEND"}})), limits);
    std::size_t points = 0;
    for (const DxfPolyline& p : g.polylines) points += p.points.size();
    EXPECT_LE(points, limits.max_points);
}

TEST(DxfEntityReader, SingleHugeLineIsReadInBoundedMemory) {
    // 64 MiB without a line end, fed in 1 MiB pieces, then a line.
    DxfEntityReader reader;
    reader.feed(dxf({{0, "SECTION"}, {2, "ENTITIES"}, {0, "TEXT"}, {8, "0"}}) + "1\n");
    const std::string piece(1 << 20, 'y');
    for (int i = 0; i < 64; ++i) reader.feed(piece);
    reader.feed("\n" + line(0, 0, 1, 1) + dxf({{0, "ENDSEC"}}));
    const DxfGeometry g = reader.finish();
    ASSERT_EQ(g.texts.size(), 1u);
    EXPECT_EQ(g.texts[0].text.size(), DxfReadLimits{}.max_line_bytes);
    EXPECT_EQ(g.lines.size(), 1u);
}

TEST(DxfEntityReader, ShiftJisTextIsDecodedBeforeItsCodesAreRead) {
    // "ソ" is 83 5C in Shift_JIS: its second byte is a backslash, which is no MTEXT code here.
    const auto folder = testing::fresh_folder("dxf_entity_reader");
    testing::write_bytes(
        folder / "sjis.dxf",
        entities(dxf(
            {{0, "MTEXT"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}, {1, "\x83\x5CP\x83\x5CP"}})));
    const DxfGeometry g = read_dxf_geometry(platform::from_utf8((folder / "sjis.dxf").string()));
    ASSERT_EQ(g.texts.size(), 1u);
    EXPECT_EQ(g.texts[0].text, "ソPソP");
}

TEST(DxfEntityReader, NumbersAreReadAsDrawingWritersWriteThem) {
    using dxf_detail::int_of;
    using dxf_detail::real_of;
    EXPECT_EQ(real_of("1,5"), 1.5);
    EXPECT_EQ(real_of("  -2.5e1mm"), -25);
    EXPECT_EQ(real_of("+.5"), 0.5);
    EXPECT_EQ(real_of("abc"), 0);
    EXPECT_EQ(real_of("1e"), 0);  // an exponent mark without digits spoils the number
    EXPECT_EQ(real_of("nan"), 0);
    EXPECT_EQ(real_of("1e999"), std::numeric_limits<double>::max());
    EXPECT_EQ(real_of("-1e999"), -std::numeric_limits<double>::max());
    EXPECT_EQ(real_of("1e-999"), 0);
    EXPECT_EQ(int_of(" 12abc"), 12);
    EXPECT_EQ(int_of("-7"), -7);
    EXPECT_EQ(int_of("2147483648"), INT_MIN);  // read as a long, then cut to int
    EXPECT_EQ(int_of("99999999999999999999999"), -1);
    EXPECT_EQ(int_of(""), 0);
}

}  // namespace
}  // namespace vermark
