#include "settings/typed_value_format.h"
#include "update/url_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vermark {
namespace {

using Pieces = std::vector<std::u16string>;

TEST(TypedText, IntegerTextClampsTheRadixAndShowsBitsOutsideDecimal) {
    EXPECT_EQ(int64_to_text(-1234567890123, 10), u"-1234567890123");
    EXPECT_EQ(int64_to_text(255, 16), u"ff");
    EXPECT_EQ(int64_to_text(5, 0), u"101");
    EXPECT_EQ(int64_to_text(35, 99), u"z");
    EXPECT_EQ(int64_to_text(-1, 16), u"ffffffffffffffff");
    EXPECT_EQ(int_to_text(-1, 16), u"ffffffff");
    EXPECT_EQ(int_to_text(std::numeric_limits<std::int32_t>::min(), 10), u"-2147483648");
}

TEST(TypedText, QuotingAndUnquoting) {
    EXPECT_EQ(quote_if_needed(u"1 2"), u"\"1 2\"");
    EXPECT_EQ(quote_if_needed(u"a,b"), u"\"a,b\"");
    EXPECT_EQ(quote_if_needed(u"a\tb"), u"\"a\tb\"");
    EXPECT_EQ(quote_if_needed(u"plain"), u"plain");
    EXPECT_EQ(unquote(u"\"1 2\""), u"1 2");
    EXPECT_EQ(unquote(u"'1 2'"), u"1 2");
    EXPECT_EQ(unquote(u"\"1 2'"), u"\"1 2'");
    EXPECT_EQ(unquote(u"\""), u"\"");
    EXPECT_EQ(unquote(u"\"\""), u"");
}

TEST(TypedText, SplitBlanksKeepsEmptyPiecesAndTabs) {
    EXPECT_EQ(split_blanks(u"1  2"), (Pieces{u"1", u"", u"2"}));
    EXPECT_EQ(split_blanks(u" 1"), (Pieces{u"", u"1"}));
    EXPECT_EQ(split_blanks(u"1 "), (Pieces{u"1", u""}));
    EXPECT_EQ(split_blanks(u""), (Pieces{u""}));
    EXPECT_EQ(split_blanks(u"a\tb c"), (Pieces{u"a\tb", u"c"}));
}

TEST(TypedText, NumberParsingFollowsTheRuntimeRules) {
    EXPECT_EQ(parse_int(u"  -42x"), -42);
    EXPECT_EQ(parse_int(u"+7"), 7);
    EXPECT_EQ(parse_int(u"x1"), 0);
    EXPECT_EQ(parse_int(u""), 0);
    EXPECT_EQ(parse_int(u"99999999999"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(parse_int(u"-99999999999"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(parse_int(u"-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(parse_int64(u"-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(parse_int64(u"9223372036854775808"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(parse_int64(u"\t4294967296"), std::int64_t{1} << 32);
    EXPECT_EQ(parse_double(u" 2.5e3abc"), 2500.0);
    EXPECT_EQ(parse_double(u"abc"), 0.0);
    EXPECT_EQ(parse_double(u"1,5"), 1.0);
}

TEST(TypedText, PreciseFloatTextReadsBackExactly) {
    for (double value :
         {0.1, 1.0 / 3.0, -2.5e-310, 1.7976931348623157e308, 123456789.125, 0.0, -0.0, 1e21}) {
        const std::u16string text = format_float_precise(value);
        EXPECT_EQ(parse_double(text), value) << std::string(text.begin(), text.end());
        EXPECT_EQ(std::signbit(parse_double(text)), std::signbit(value));
    }
    EXPECT_EQ(format_float_precise(0.5), u"0.5");
    EXPECT_EQ(format_float_precise(0.1), u"0.10000000000000000555");
    EXPECT_EQ(format_float_precise(1e21), u"1e+21");
}

TEST(TypedText, ShortFloatTextHasSixSignificantDigits) {
    EXPECT_EQ(format_float_short(1.23456789), u"1.23457");
    EXPECT_EQ(format_float_short(100000.0), u"100000");
    EXPECT_EQ(format_float_short(1234567.0), u"1.23457e+06");
    EXPECT_EQ(format_float_short(0.0001), u"0.0001");
    EXPECT_EQ(format_float_short(0.00001), u"1e-05");
    EXPECT_EQ(parse_double(format_float_short(1.23456789)), 1.23457);
}

TEST(TypedText, FixedWidthNumbersCountTheSignAsOnePlace) {
    EXPECT_EQ(format_rect_fixed({10, 20, 300, 400}), u"000000010 000000020 000000300 000000400");
    EXPECT_EQ(format_rect_fixed({-5, 0, -123456789, 2147483647}),
              u"-00000005 000000000 -123456789 2147483647");
    EXPECT_EQ(format_point_fixed({-2147483647 - 1, 1}), u"-2147483648 000000001");
    EXPECT_EQ(parse_rect_fixed(u"-00000005 000000000 -123456789 2147483647"),
              (Rect{-5, 0, -123456789, 2147483647}));
    EXPECT_EQ(parse_point_fixed(u"-00000001 000000002"), (Point{-1, 2}));
}

TEST(TypedText, QuotedRectanglesAndPoints) {
    EXPECT_EQ(format_rect_quoted({10, 20, 300, 400}), u"\"10 20 300 400\"");
    EXPECT_EQ(format_point_quoted({-1, 2}), u"\"-1 2\"");
    EXPECT_EQ(parse_rect_quoted(u"\"10 20 300 400\""), (Rect{10, 20, 300, 400}));
    EXPECT_EQ(parse_rect_quoted(u"10 20 300 400 77"), (Rect{10, 20, 300, 400}));
    // Missing numbers are 0; two blanks make an empty piece that takes a place.
    EXPECT_EQ(parse_rect_quoted(u"1 2"), (Rect{1, 2, 0, 0}));
    EXPECT_EQ(parse_rect_quoted(u"1  2 3 4"), (Rect{1, 0, 2, 3}));
    EXPECT_EQ(parse_point_quoted(u"'3 4'"), (Point{3, 4}));
    EXPECT_EQ(parse_point_quoted(u"\"3 4"), (Point{0, 4}));
    // The fixed reader never unquotes.
    EXPECT_EQ(parse_point_fixed(u"\"3 4\""), (Point{0, 4}));
}

TEST(TypedText, HalvesRoundTripAndTheLowHalfIsUnsigned) {
    for (std::int64_t value : {std::int64_t{0}, std::int64_t{-1}, std::int64_t{1} << 31,
                               std::int64_t{0x123456789ABCDEF0}, std::int64_t{-5000000000},
                               std::numeric_limits<std::int64_t>::min()}) {
        EXPECT_EQ(join_halves(high_half(value), low_half(value)), value);
    }
    EXPECT_EQ(high_half(4294967295), 0);
    EXPECT_EQ(low_half(4294967295), -1);
    EXPECT_EQ(join_halves(0, -1), 4294967295);
    EXPECT_EQ(join_halves(-1, -1), -1);
}

}  // namespace
}  // namespace vermark
