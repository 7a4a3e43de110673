#include "platform/codepage.h"

#include <gtest/gtest.h>

#include "support/wine.h"

namespace vermark {
namespace {

std::u16string from932(std::string_view bytes) {
    return platform::multibyte_to_wide(platform::kCodePageShiftJis, bytes);
}
std::u16string from_utf8_cp(std::string_view bytes) {
    return platform::multibyte_to_wide(platform::kCodePageUtf8, bytes);
}
std::string to932(std::u16string_view text) {
    return platform::wide_to_multibyte(platform::kCodePageShiftJis, text).bytes;
}

TEST(CodePage932Test, DecodesAsWindowsDoes) {
    EXPECT_EQ(from932("a\\~"), u"a\\~");  // ASCII stays ASCII, yen sign and overline included
    EXPECT_EQ(from932("\x82\xA0\x93\xFA"), u"\u3042\u65E5");
    EXPECT_EQ(from932("\xB1\xDF"), u"\uFF71\uFF9F");  // half-width katakana
    EXPECT_EQ(from932("\x81\x5F\x81\x60\x81\x61\x81\x7C"), u"\uFF3C\uFF5E\u2225\uFF0D");
    EXPECT_EQ(from932("\x87\x40\xFA\x40\xF0\x40"), u"\u2460\u2170\uE000");  // NEC, IBM, user area
    EXPECT_EQ(from932(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(CodePage932Test, BytesGlibcLacksGetWindowsCharacters) {
    EXPECT_EQ(from932("\x80\xA0\xFD\xFE\xFF"), u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3");
    EXPECT_EQ(to932(u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3"), "\x80\xA0\xFD\xFE\xFF");
}

TEST(CodePage932Test, BadInputIsReplacedAndTheRestKept) {
    // Well-formed but unassigned pair: one U+30FB for both bytes.
    EXPECT_EQ(from932("a\x85\x40z"), u"a\u30FBz");
    EXPECT_EQ(from932("\xEB\x40\x82\xA0"), u"\u30FB\u3042");
    // A lead byte takes the byte after it, even an ASCII one, as Windows' table does; a zero
    // byte is never taken.
    EXPECT_EQ(from932("\x81\r\n"), u"\u30FB\n");
    EXPECT_EQ(from932("\x81\xFF"
                      "a"),
              u"\u30FBa");
    EXPECT_EQ(from932(std::string_view("\x93\0x", 3)), std::u16string(u"\u30FB\0x", 3));
    EXPECT_EQ(from932("\x82\xA0\x82"), u"\u3042\u30FB");  // cut at the end
    // After a replacement the converter goes on from a clean state.
    EXPECT_EQ(from932("\x80\x80\x82\xA0\xFF\x93\xFA"), u"\u0080\u0080\u3042\uF8F3\u65E5");
}

TEST(CodePage932Test, EncodingReplacesWhatItCannotHold) {
    EXPECT_EQ(to932(u"\u3042\uFF71a"),
              "\x82\xA0\xB1"
              "a");
    const platform::MultiByteResult hangul =
        platform::wide_to_multibyte(platform::kCodePageShiftJis, u"a\uAC00b", '_');
    EXPECT_EQ(hangul.bytes, "a_b");
    EXPECT_TRUE(hangul.used_default);
    EXPECT_FALSE(
        platform::wide_to_multibyte(platform::kCodePageShiftJis, u"\u65E5\u672C").used_default);
    // A surrogate pair is one character, a lone surrogate another; '?' unless told otherwise.
    EXPECT_EQ(to932(u"\U0001F600|\xD800|\xDC00"), "?|?|?");
    EXPECT_EQ(to932(u"a\xD800"), "a?");
    EXPECT_EQ(to932(std::u16string_view(u"a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(to932(u""), "");
}

TEST(CodePage932Test, EveryByteAndPairRoundTripsToTheSameText) {
    // Decoding never fails and encoding what was decoded gives the same text back: assigned
    // characters map one to one, replacements decode to U+30FB again.
    for (int lead = 0; lead < 256; ++lead) {
        for (int trail = 0; trail < 256; trail += 7) {
            const char pair[] = {static_cast<char>(lead), static_cast<char>(trail)};
            const std::u16string text = from932(std::string_view(pair, 2));
            ASSERT_FALSE(text.empty());
            ASSERT_EQ(from932(to932(text)), text) << lead << " " << trail;
        }
    }
}

TEST(CodePageUtf8Test, DecodesAndReplacesMaximalBadSubsequences) {
    EXPECT_EQ(from_utf8_cp("a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80"), u"a\u00E9\u65E5\U0001F600");
    EXPECT_EQ(from_utf8_cp("\xE3\x81"
                           "a"),
              u"\uFFFDa");                                 // cut sequence: one U+FFFD
    EXPECT_EQ(from_utf8_cp("\xC0\x80"), u"\uFFFD\uFFFD");  // overlong
    // A surrogate and a value above U+10FFFF: the lead byte cannot go on, so every byte is a bad
    // subsequence of its own. Wine's converter reads the lead byte and the next one as one.
    const bool wine = testing::running_under_wine();
    EXPECT_EQ(from_utf8_cp("\xED\xA0\x80"), wine ? u"\uFFFD\uFFFD" : u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(from_utf8_cp("\xF4\x90\x80\x80"),
              wine ? u"\uFFFD\uFFFD\uFFFD" : u"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(from_utf8_cp("\x80\xFF"
                           "b\xE6\x97"),
              u"\uFFFD\uFFFDb\uFFFD");
}

TEST(CodePageUtf8Test, EncodesWithLoneSurrogatesReplaced) {
    EXPECT_EQ(platform::wide_to_multibyte(platform::kCodePageUtf8, u"a\u65E5\U0001F600").bytes,
              "a\xE6\x97\xA5\xF0\x9F\x98\x80");
    EXPECT_EQ(platform::wide_to_multibyte(platform::kCodePageUtf8, u"\xDC00x").bytes,
              "\xEF\xBF\xBDx");
}

}  // namespace
}  // namespace vermark
