#include "text/encoding.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace vermark {
namespace {

platform::ByteBuffer bytes(std::initializer_list<int> values) {
    platform::ByteBuffer out;
    for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

platform::ByteBuffer bytes(std::string_view text) {
    return platform::ByteBuffer(text.begin(), text.end());
}

// The content guess written step by step as the algorithm reads, without any of the shortcuts of
// the real one: the optimised sweep must agree with it on every input.
TextEncoding reference_guess(const platform::ByteBuffer& b) {
    const std::size_t n = b.size();
    bool all_ascii = true;
    for (std::size_t i = 1; i < n;) {
        const std::uint8_t lead = b[i - 1], trail = b[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        all_ascii = false;
        if (lead >= 0x81 && lead <= 0x9F &&
            ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC))) {
            return encoding::kShiftJis;
        }
        if (lead >= 0xE0 && lead <= 0xFC &&
            ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0xC0 && trail <= 0xFC))) {
            return encoding::kShiftJis;
        }
        ++i;
        if (trail >= 0x80) {
            while (i < n && b[i] >= 0x80) ++i;
        }
        ++i;
    }
    if (all_ascii) return encoding::kAscii;

    std::uint64_t valid = 0, invalid = 0;
    for (std::size_t p = 0; p < n;) {
        const std::uint8_t c = b[p];
        if (c < 0x80) {
            ++p;
            continue;
        }
        auto at = [&](std::size_t k) -> std::uint8_t { return p + k < n ? b[p + k] : 0; };
        int needed = 0;
        if (c >= 0xC0 && c <= 0xDF) needed = 1;
        if (c >= 0xE0 && c <= 0xEF) needed = 2;
        if (c >= 0xF0 && c <= 0xF7) needed = 3;
        if (c >= 0xF8 && c <= 0xFB) needed = 4;
        if (c >= 0xFC && c <= 0xFD) needed = 5;
        if (needed > 0) {
            bool all = true;
            for (int k = 1; k <= needed; ++k) all = all && at(k) >= 0x80 && at(k) <= 0xBF;
            if (all) {
                ++valid;
                p += static_cast<std::size_t>(needed);
            }
        }
        if ((c >= 0x80 && c <= 0xBF) || c == 0xFE || c == 0xFF) ++invalid;
        ++p;
    }
    return invalid == 0 && valid >= 1 ? encoding::kUtf8 : encoding::kUnknown;
}

// Text-like random data: long ASCII stretches, UTF-8 and Shift_JIS characters, stray bytes.
platform::ByteBuffer random_text(std::mt19937& rng, std::size_t length, int flavour) {
    platform::ByteBuffer out;
    std::uniform_int_distribution<int> pick(0, 99), byte(0, 255), ascii(0x20, 0x7E);
    while (out.size() < length) {
        const int r = pick(rng);
        if (r < 55) {
            out.push_back(static_cast<std::uint8_t>(ascii(rng)));
        } else if (flavour == 0 && r < 97) {  // UTF-8: two-, three- and four-byte forms
            const int len = 2 + pick(rng) % 3;
            out.push_back(static_cast<std::uint8_t>(len == 2 ? 0xC3 : len == 3 ? 0xE3 : 0xF0));
            for (int k = 1; k < len; ++k)
                out.push_back(static_cast<std::uint8_t>(0x80 + pick(rng) % 64));
        } else if (flavour == 1 && r < 97) {  // half-width kana and kana pairs
            out.push_back(static_cast<std::uint8_t>(0xA1 + pick(rng) % 63));
        } else {
            out.push_back(static_cast<std::uint8_t>(byte(rng)));
        }
    }
    out.resize(length);
    return out;
}

TEST(ByteOrderMarkTest, MarksAreTestedInOrderWithMissingBytesReadAsFF) {
    struct Case {
        platform::ByteBuffer input;
        TextEncoding code;
    };
    const Case cases[] = {
        {bytes({0xFF, 0xFE}), encoding::kUtf16},
        {bytes({0xFF, 0xFE, 0x00}), encoding::kUtf16},
        {bytes({0xFF, 0xFE, 0x00, 0x00}), encoding::kUtf32},
        {bytes({0xFF, 0xFE, 0x41, 0x00}), encoding::kUtf16},
        {bytes({0xFE, 0xFF, 0x00, 0x41}), encoding::kUtf16Be},
        {bytes({0x00, 0x00, 0xFE, 0xFF}), encoding::kUtf32Be},
        {bytes({0xEF, 0xBB, 0xBF}), encoding::kUtf8},
        {bytes({0xFE}), encoding::kUtf16Be},
        {bytes({0x00, 0x00, 0xFE}), encoding::kUtf32Be},
        // No mark: the content decides.
        {bytes({0xFF}), encoding::kAscii},  // a lone high last byte is never tested
        {bytes({0xFF, 0x41, 0x42}), encoding::kUnknown},
        {bytes({0x00, 0x00, 0xFE, 0xFE}), encoding::kUnknown},
        {bytes({0xEF, 0xBB, 0x41}), encoding::kUnknown},
        {platform::ByteBuffer{}, encoding::kAscii},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(detect_encoding(c.input), c.code) << ::testing::PrintToString(c.input);
    }
}

TEST(ByteOrderMarkTest, TakeBomRemovesTheMarkAndAppendsTheTerminator) {
    struct Case {
        platform::ByteBuffer input;
        TextEncoding code;
        platform::ByteBuffer after;
    };
    const Case cases[] = {
        {bytes({0xEF, 0xBB, 0xBF}), encoding::kUtf8, bytes({0x00})},
        {bytes({0xEF, 0xBB, 0xBF, 'a'}), encoding::kUtf8, bytes({'a', 0x00})},
        {bytes({0xFF, 0xFE, 'a', 0}), encoding::kUtf16, bytes({'a', 0, 0, 0})},
        {bytes({0xFE, 0xFF, 0, 'a'}), encoding::kUtf16Be, bytes({0, 'a', 0, 0})},
        {bytes({0xFF, 0xFE, 0, 0, 'a', 0, 0, 0}), encoding::kUtf32,
         bytes({'a', 0, 0, 0, 0, 0, 0, 0})},
        {bytes({0x00, 0x00, 0xFE, 0xFF, 0, 0, 0, 'a'}), encoding::kUtf32Be,
         bytes({0, 0, 0, 'a', 0, 0, 0, 0})},
        // Marks cut short by the end of the buffer remove only the bytes that exist.
        {bytes({0xFE}), encoding::kUtf16Be, bytes({0, 0})},
        {bytes({0x00, 0x00, 0xFE}), encoding::kUtf32Be, bytes({0, 0, 0, 0})},
        // Guessed: nothing removed, one zero appended, and the guess ran before it.
        {bytes({0x82, 0xA0}), encoding::kShiftJis, bytes({0x82, 0xA0, 0})},
        {platform::ByteBuffer{}, encoding::kAscii, bytes({0})},
    };
    for (const Case& c : cases) {
        platform::ByteBuffer buffer = c.input;
        EXPECT_EQ(take_bom(buffer), c.code) << ::testing::PrintToString(c.input);
        EXPECT_EQ(buffer, c.after) << ::testing::PrintToString(c.input);
    }
}

TEST(GuessEncodingTest, ShiftJisPairsAsciiAndUtf8) {
    EXPECT_EQ(guess_encoding(bytes("plain ASCII\r\n  0\r\nSECTION")), encoding::kAscii);
    EXPECT_EQ(guess_encoding(bytes({0x82, 0xA0})), encoding::kShiftJis);  // hiragana a
    EXPECT_EQ(guess_encoding(bytes({0x81, 0x40})), encoding::kShiftJis);  // ideographic space
    EXPECT_EQ(guess_encoding(bytes({0xE3, 0x81, 0x82})), encoding::kUtf8);
    EXPECT_EQ(guess_encoding(bytes({0xC3, 0xA9})), encoding::kUtf8);
    EXPECT_EQ(guess_encoding(bytes({'a', 'b', 0xE9})), encoding::kAscii);  // last byte untested
    // A lead of 0xE0..0xFC before 0x80..0xBF is how UTF-8 looks, not evidence of Shift_JIS.
    EXPECT_EQ(guess_encoding(bytes({'x', 0xE6, 0x97, 0xA5, 'y'})), encoding::kUtf8);
    EXPECT_EQ(guess_encoding(bytes({'x', 0xE6, 0xC0, 'y'})), encoding::kShiftJis);
}

TEST(GuessEncodingTest, AShiftJisPairAnywhereWinsOverValidUtf8) {
    // Clean UTF-8 first, then one Shift_JIS pair far behind it.
    platform::ByteBuffer text;
    for (int i = 0; i < 1000; ++i) text.insert(text.end(), {0xE3, 0x81, 0x82, ' '});
    EXPECT_EQ(guess_encoding(text), encoding::kUtf8);
    text.insert(text.end(), {0x88, 0x9F, '.'});
    EXPECT_EQ(guess_encoding(text), encoding::kShiftJis);
}

TEST(GuessEncodingTest, HalfWidthKanaAndCutSequences) {
    // One half-width kana between ASCII: no pair, and no valid UTF-8 sequence.
    EXPECT_EQ(guess_encoding(bytes({'a', 0xB1, 'b'})), encoding::kUnknown);
    EXPECT_EQ(guess_encoding(bytes({'a', 0xC5, 'b'})), encoding::kUnknown);
    // Two in a row, the second 0x80..0xBF, pass as one UTF-8 sequence.
    EXPECT_EQ(guess_encoding(bytes({'a', 0xC5, 0xB1, 'b', 0xD7, 0x9F, 'c'})), encoding::kUtf8);
    // A cut sequence at the end: its orphan continuation byte is a stray.
    EXPECT_EQ(guess_encoding(bytes({'a', 0xE3, 0x81})), encoding::kUnknown);
    // Overlong and old five/six-byte forms are counted as valid.
    EXPECT_EQ(guess_encoding(bytes({'a', 0xC0, 0x80, 'b'})), encoding::kUtf8);
    EXPECT_EQ(guess_encoding(bytes({'a', 0xFC, 0x80, 0x80, 0x80, 0x80, 0x80, 'b'})),
              encoding::kUtf8);
}

TEST(GuessEncodingTest, UnmarkedUtf16IsNotRecognised) {
    const platform::ByteBuffer utf16 =
        bytes({'S', 0, 'E', 0, 'C', 0, 'T', 0, 'I', 0, 'O', 0, 'N', 0});
    EXPECT_EQ(detect_encoding(utf16), encoding::kAscii);
}

TEST(GuessEncodingTest, AgreesWithTheStepByStepAlgorithmOnRandomText) {
    std::mt19937 rng(20240917);
    std::uniform_int_distribution<int> length(0, 300), flavour(0, 2);
    for (int round = 0; round < 20000; ++round) {
        const platform::ByteBuffer text =
            random_text(rng, static_cast<std::size_t>(length(rng)), flavour(rng));
        ASSERT_EQ(guess_encoding(text), reference_guess(text)) << ::testing::PrintToString(text);
    }
}

TEST(EncodingGuesserTest, ChunkedInputGivesTheWholeBufferAnswer) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> length(0, 400), flavour(0, 2);
    for (int round = 0; round < 5000; ++round) {
        const platform::ByteBuffer text =
            random_text(rng, static_cast<std::size_t>(length(rng)), flavour(rng));
        const TextEncoding whole = reference_guess(text);
        EncodingGuesser guesser;
        EncodingDetector detector;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t cut = std::uniform_int_distribution<std::size_t>(0, 40)(rng);
            const platform::ByteView piece =
                platform::ByteView(text).subspan(at, std::min(cut, text.size() - at));
            guesser.feed(piece);
            detector.feed(piece);
            at += piece.size();
        }
        ASSERT_EQ(guesser.result(), whole) << ::testing::PrintToString(text);
        ASSERT_EQ(detector.result(), detect_encoding(text)) << ::testing::PrintToString(text);
    }
}

TEST(EncodingGuesserTest, DetectorSeesMarksSplitAcrossPiecesAndShortInputs) {
    for (const platform::ByteBuffer& input :
         {bytes({0xFF, 0xFE, 0, 0, 'a', 0, 0, 0}), bytes({0xFE}), bytes({0x00, 0x00, 0xFE}),
          bytes({0xEF, 0xBB, 0xBF, 0xE3})}) {
        EncodingDetector detector;
        for (std::uint8_t b : input) detector.feed(&b, 1);
        EXPECT_EQ(detector.result(), detect_encoding(input)) << ::testing::PrintToString(input);
    }
    EncodingDetector decided;
    decided.feed(bytes({0xEF, 0xBB, 0xBF, 'a'}));
    EXPECT_TRUE(decided.decided());
    EncodingDetector open;
    open.feed(bytes({'a', 'b', 'c', 'd'}));
    EXPECT_FALSE(open.decided());
}

TEST(EncodingNameTest, UnknownAndOther) {
    EXPECT_EQ(encoding_name(0), u"Unknown");
    EXPECT_EQ(encoding_name(17), u"UTF_16_BE");
    EXPECT_EQ(encoding_name(1), u"Other");
}

TEST(XmlDeclaredEncodingTest, ReadsTheValueCaseInsensitively) {
    EXPECT_EQ(xml_declared_encoding(u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<a/>"), 8);
    EXPECT_EQ(xml_declared_encoding(u"<?xml version='1.0' encoding='Shift_JIS'?>"), 74);
    EXPECT_EQ(xml_declared_encoding(u"<?xml version=\"1.0\" encoding=\"UTF-16LE\"?>"), 16);
    EXPECT_EQ(xml_declared_encoding(u"<?xml version=\"1.0\" encoding=\"EUC-JP\"?>"), 0);
    EXPECT_EQ(xml_declared_encoding(u"<?xml encoding = \"SHIFT_jis\"?>"), 74);
    EXPECT_EQ(xml_declared_encoding(u""), 0);
}

TEST(XmlDeclarationTest, LinesWindowAndSearchOrder) {
    std::u16string ten_lines;
    for (int i = 0; i < 10; ++i) ten_lines += u"line\r\n";
    EXPECT_EQ(xml_declared_encoding(ten_lines + u"<?xml encoding=\"UTF-8\"?>"), 0);  // line 11
    std::u16string nine_lines;
    for (int i = 0; i < 9; ++i) nine_lines += u"line\r\n";
    EXPECT_EQ(xml_declared_encoding(nine_lines + u"<?xml encoding=\"UTF-8\"?>"), 8);  // line 10
    // "xml" without "encoding" after it is passed over for a later line.
    EXPECT_EQ(xml_declared_encoding(u"<!-- xml -->\r\n<?xml encoding=\"utf-16\"?>"), 16);
    // "encoding" before "xml" does not count.
    EXPECT_EQ(xml_declared_encoding(u"encoding=utf-8 xml"), 0);
    // A lone LF does not end a line: the whole text is one line.
    EXPECT_EQ(xml_declared_encoding(u"<?xml\nencoding=\"utf-8\"?>"), 8);
    // Only 20 characters after "=" are looked at.
    EXPECT_EQ(xml_declared_encoding(u"<?xml encoding=                    \"utf-8\"?>"), 0);
    // Without "=", the first 20 characters of the line are the window.
    EXPECT_EQ(xml_declared_encoding(u"UTF-8 xml encoding"), 8);
    // UTF-8 is searched before UTF-16, whatever their order in the window.
    EXPECT_EQ(xml_declared_encoding(u"<?xml encoding=UTF-16 UTF-8"), 8);
}

}  // namespace
}  // namespace vermark
