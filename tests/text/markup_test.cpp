#include "text/markup.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vermark
