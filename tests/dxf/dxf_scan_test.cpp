#include "dxf/dxf_scan.h"

#include <gtest/gtest.h>

#include <string>

#include "dxf/plain_bytes.h"
#include "dxf_fixtures.h"

namespace vermark {
namespace {

using testing::small_dxf;

struct Found {
    bool found = false;
    std::uint64_t at = 0;
    LineEnd end = LineEnd::none;
};

// Runs the finder over the text in pieces of `piece` bytes.
Found find_header(std::string_view text, std::size_t piece) {
    HeaderSectionFinder<std::uint8_t> finder;
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    for (std::size_t i = 0; i < text.size(); i += piece) {
        finder.feed(data + i, std::min(piece, text.size() - i));
    }
    finder.finish();
    return {finder.found(), finder.insert_at(), finder.line_end()};
}

TEST(HeaderSectionFinder, InsertsAfterTheNameLineWithItsOwnLineEnd) {
    for (std::string_view le : {"\r\n", "\n", "\r"}) {
        const std::string text = small_dxf(le);
        const std::size_t expected = text.find("HEADER") + 6 + le.size();
        const LineEnd end = le == "\r\n" ? LineEnd::cr_lf : le == "\n" ? LineEnd::lf : LineEnd::cr;
        // Cut in every way, pieces of one byte included, the answer stays the same.
        for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{3}, text.size()}) {
            const Found found = find_header(text, piece);
            ASSERT_TRUE(found.found) << piece;
            EXPECT_EQ(found.at, expected) << piece;
            EXPECT_EQ(found.end, end) << piece;
        }
    }
}

TEST(HeaderSectionFinder, SkipsHeaderWordsThatAreNotTheSectionName) {
    // In a comment before the section, as a value elsewhere, in lower case, in a longer line.
    const std::string before = "999\nHEADER\n  0\nSECTION\n  1\nHEADER\nheader\n  2\nHEADERS\n";
    const std::string text = before + small_dxf("\n");
    const Found found = find_header(text, 5);
    ASSERT_TRUE(found.found);
    EXPECT_EQ(found.at, before.size() + std::string("  0\nSECTION\n  2\nHEADER\n").size());
}

TEST(HeaderSectionFinder, AcceptsBlanksAndZerosInGroupCodes) {
    EXPECT_TRUE(find_header("0\nSECTION\n2\nHEADER\n", 64).found);
    EXPECT_TRUE(find_header("\t0 \n SECTION \n002\nHEADER  \n", 64).found);
    EXPECT_FALSE(find_header("  1\nSECTION\n  2\nHEADER\n", 64).found);
    EXPECT_FALSE(find_header("  0\nSECTION\n  3\nHEADER\n", 64).found);
    EXPECT_FALSE(find_header("  0\nSECTION\n\n  2\nHEADER\n", 64).found);
}

TEST(HeaderSectionFinder, NeedsTheSectionAndTheNameLinesEnd) {
    EXPECT_FALSE(
        find_header(small_dxf("\n").substr(small_dxf("\n").find("  2\nENTITIES")), 7).found);
    EXPECT_FALSE(find_header("  0\nSECTION\n  2\nHEADER", 64).found);
    // A lone CR at the very end still ends the line.
    const Found cr = find_header("  0\rSECTION\r  2\rHEADER\r", 1);
    ASSERT_TRUE(cr.found);
    EXPECT_EQ(cr.at, 23u);
    EXPECT_EQ(cr.end, LineEnd::cr);
}

TEST(HeaderSectionFinder, ReadsUtf16Units) {
    const std::u16string text = u"  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n";
    HeaderSectionFinder<char16_t> finder;
    finder.feed(text.data(), text.size());
    ASSERT_TRUE(finder.found());
    EXPECT_EQ(finder.insert_at(), text.find(u"  9"));
}

std::uint64_t find_acadver(std::string_view text, std::size_t piece, std::string* window) {
    AcadverFinder<std::uint8_t> finder(20);
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    for (std::size_t i = 0; i < text.size(); i += piece) {
        finder.feed(data + i, std::min(piece, text.size() - i));
    }
    if (!finder.found()) return UINT64_MAX;
    window->assign(finder.window().begin(), finder.window().end());
    return finder.found_at();
}

TEST(AcadverFinder, FindsTheFirstOccurrenceAcrossPieces) {
    const std::string text = "$ACAD $ACADVE$$ACADVER\n  1\nAC1015\n$ACADVER";
    for (std::size_t piece = 1; piece <= text.size(); ++piece) {
        std::string window;
        ASSERT_EQ(find_acadver(text, piece, &window), 14u) << piece;
        EXPECT_EQ(window, "$ACADVER\n  1\nAC1015\n") << piece;
    }
    std::string window;
    EXPECT_EQ(find_acadver("$ACADVE $acadver ACADVER $ACADVEr", 4, &window), UINT64_MAX);
}

TEST(PlainAscii, FindsADollarOrAHighByteAnywhere) {
    // Long enough for whole vector blocks and a tail; every position, from every start.
    std::string text(300, 'p');
    const auto view = [&](std::size_t from) {
        return platform::ByteView(reinterpret_cast<const std::uint8_t*>(text.data()) + from,
                                  text.size() - from);
    };
    EXPECT_TRUE(is_plain_ascii(view(0)));
    for (const char mark : {'$', '\x80', '\xFF'}) {
        for (std::size_t at = 0; at < text.size(); ++at) {
            text[at] = mark;
            for (std::size_t from : {std::size_t{0}, at / 2, at}) {
                ASSERT_FALSE(is_plain_ascii(view(from))) << at << " " << from;
            }
            ASSERT_TRUE(is_plain_ascii(view(at + 1))) << at;
            text[at] = 'p';
        }
    }
}

TEST(RecordedVersion, ShowsSixCharactersFromTheFirstAcAfterTheName) {
    EXPECT_EQ(recorded_version(u"  9\r\n$ACADVER\r\n  1\r\nAC1009\r\n").version, u"AC1009");
    // "AC" inside the name itself does not count; the window is 100 characters.
    const RecordedVersion far =
        recorded_version(u"$ACADVER" + std::u16string(92, u' ') + u"AC1015");
    EXPECT_TRUE(far.found);
    EXPECT_EQ(far.version, u"");
    EXPECT_EQ(recorded_version(u"$ACADVER" + std::u16string(90, u' ') + u"AC1015").version, u"AC");
    EXPECT_EQ(recorded_version(u"$ACADVER\n  1\nAC10").version, u"AC10");
    EXPECT_FALSE(recorded_version(u"$acadver\n  1\nAC1015").found);
}

}  // namespace
}  // namespace vermark
