// The drawing reader on what damaged and hostile drawings hold: lines of any length, text cut
// into pieces anywhere, lying counts, self-referencing and exploding block references, numbers
// written the way some writers write them.
#include "dxf/dxf_entity_reader.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <limits>
#include <utility>

#include "dxf/dxf_group_values.h"
#include "platform/wide.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

using Group = std::pair<int, std::string>;

std::string dxf(std::initializer_list<Group> groups) {
    std::string text;
    for (const auto& [code, value] : groups) text += std::to_string(code) + "\n" + value + "\n";
    return text;
}

std::string entities(const std::string& body) {
    return dxf({{0, "SECTION"}, {2, "ENTITIES"}}) + body + dxf({{0, "ENDSEC"}, {0, "EOF"}});
}

std::string blocks(const std::string& body) {
    return dxf({{0, "SECTION"}, {2, "BLOCKS"}}) + body + dxf({{0, "ENDSEC"}});
}

std::string block(const std::string& name, const std::string& body) {
    return dxf({{0, "BLOCK"}, {8, "0"}, {2, name}, {70, "0"}, {10, "0"}, {20, "0"}}) + body +
           dxf({{0, "ENDBLK"}});
}

std::string line(int x1, int y1, int x2, int y2) {
    return dxf({{0, "LINE"},
                {8, "0"},
                {10, std::to_string(x1)},
                {20, std::to_string(y1)},
                {11, std::to_string(x2)},
                {21, std::to_string(y2)}});
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
    for (char16_t c : from_utf8(text)) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    const auto folder = testing::fresh_folder("dxf_long_lines");
    testing::write_bytes(folder / "long.dxf", utf16);
    const DxfGeometry read = read_dxf_geometry(from_utf8((folder / "long.dxf").string()));
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

TEST(DxfEntityReader, ReadingStopsAtItsPrimitiveBudgetWithWhatItHas) {
    std::string body;
    for (int i = 0; i < 1000; ++i) body += line(i, 0, i, 1);
    DxfReadLimits limits;
    limits.max_primitives = 100;
    const DxfGeometry g = parse_dxf_geometry(entities(body), limits);
    EXPECT_EQ(g.lines.size(), 100u);
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
    const DxfGeometry g = read_dxf_geometry(from_utf8((folder / "sjis.dxf").string()));
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
