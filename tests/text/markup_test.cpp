#include "text/markup.h"

#include <gtest/gtest.h>

#include <random>

#include "update/url_text.h"

namespace vermark {
namespace {

TEST(BreakMarkupLines, BreaksAfterClosingTagsAndBetweenAdjacentTags) {
    EXPECT_EQ(break_markup_lines(u"<div>a</div></div>"), u"<div>a</div>\r\n</div>\r\n");
    EXPECT_EQ(break_markup_lines(u"<ul><li>a</li><li>b</li></ul>"),
              u"<ul>\r\n<li>a</li>\r\n<li>b</li>\r\n</ul>");
    EXPECT_EQ(break_markup_lines(u"<br/><p>x"), u"<br/>\r\n<p>x");
    EXPECT_EQ(break_markup_lines(u"f(1);g(2);"), u"f(1);\r\ng(2);\r\n");
}

TEST(BreakMarkupLines, EarlierStepsDecideWhatLaterStepsStillFind) {
    // The break after </a> separates ">" from "<div", so no second break is added there.
    EXPECT_EQ(break_markup_lines(u"<a>x</a><div>y"), u"<a>x</a>\r\n<div>y");
    // Passing a broken text again adds empty lines: the operation is meant to run once.
    const std::u16string once = break_markup_lines(u"<div>a</div>");
    EXPECT_EQ(break_markup_lines(once), u"<div>a</div>\r\n\r\n");
}

TEST(BreakMarkupLines, LeavesOtherTextAloneAndFindsCapitalisedClosingTags) {
    EXPECT_EQ(break_markup_lines(u""), u"");
    EXPECT_EQ(break_markup_lines(u"<p>plain text</p>"), u"<p>plain text</p>");
    EXPECT_EQ(break_markup_lines(u"<DIV>a</DIV>b"), u"<DIV>a</div>\r\nb");
}

// The one-pass replacement must give replace_all's result exactly, letter-case fallback and
// re-examined insertions included, on texts built from the patterns' own characters.
TEST(ReplaceEvery, AgreesWithReplaceAllOnRandomTexts) {
    const std::u16string alphabet = u"<>/divDIVaA);:htpsHTPS\r\n";
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"</div>", u"</div>\r\n"},
        {u"><div", u">\r\n<div"},
        {u"/><", u"/>\r\n<"},
        {u");", u");\r\n"},
        {u"https:", u"http:"},
        {u"aa", u"aaa"},
        {u"..", u"."},
        {u"a", u""},
    };
    std::mt19937 random(20240309);
    for (int round = 0; round < 2000; ++round) {
        std::u16string text;
        const int length = static_cast<int>(random() % 40);
        for (int i = 0; i < length; ++i) text.push_back(alphabet[random() % alphabet.size()]);
        for (const auto& [what, by] : cases) {
            std::u16string seeded = text;
            seeded.insert(random() % (seeded.size() + 1), what);
            ASSERT_EQ(replace_every(seeded, what, by), replace_all(seeded, what, by))
                << "round " << round;
        }
    }
}

}  // namespace
}  // namespace vermark
