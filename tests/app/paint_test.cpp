// What the dialog paints into the preview pane, checked on the pixels of a rendered pane.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <set>

#include "app/vermark_dlg.h"
#include "dialog_fixture.h"

namespace vermark::testing {
namespace {

bool is_ink(QRgb c) {
    return qGray(c) < 90;
}

// The pane as painted, and the rows and columns that carry text ink.
struct Painted {
    QImage image;
    std::set<int> rows;
    int left = -1;
    int right = -1;
};

Painted paint(CVermarkDlg& dialog) {
    Painted p{dialog.m_Preview.grab().toImage(), {}, -1, -1};
    for (int y = 0; y < p.image.height(); ++y) {
        for (int x = 0; x < p.image.width(); ++x) {
            if (!is_ink(p.image.pixel(x, y))) continue;
            p.rows.insert(y);
            if (p.left < 0 || x < p.left) p.left = x;
            p.right = std::max(p.right, x);
        }
    }
    return p;
}

class PaintTest : public DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        dialog_.OnInitDialog();
    }
    void resize(int w, int h) {
        dialog_.resize(w, h);
        dialog_.layout_controls();
    }
    int line_height() const { return QFontMetrics(dialog_.font()).height(); }

    CVermarkDlg dialog_;
};

TEST_F(PaintTest, PromptIsPaintedAndWrappedWhileNoTextIsLoaded) {
    resize(400, 250);
    const Painted wide = paint(dialog_);
    ASSERT_FALSE(wide.rows.empty()) << "the prompt is painted";
    EXPECT_GE(wide.left, 5);
    EXPECT_LE(*wide.rows.rbegin() - *wide.rows.begin(), line_height()) << "one line when it fits";

    resize(130, 250);  // about ten characters per line
    const Painted narrow = paint(dialog_);
    EXPECT_GT(*narrow.rows.rbegin() - *narrow.rows.begin(), 2 * line_height()) << "wrapped";
    EXPECT_LT(narrow.right, 130 - 7) << "inside the inset rectangle";
}

TEST_F(PaintTest, HeadTextIsClippedToTheInsetRectangleAndNotWrapped) {
    resize(300, 200);
    std::u16string text;
    for (int i = 0; i < 60; ++i) text += std::u16string(80, u'M') + u"\r\n";
    dialog_.m_Text = text;
    const Painted p = paint(dialog_);
    ASSERT_FALSE(p.rows.empty());
    EXPECT_GE(p.left, 5);
    EXPECT_GE(*p.rows.begin(), 5);
    EXPECT_LT(p.right, 300 - 7);
    // The rectangle is the dialog's client area less the insets, laid unchanged on the pane, so
    // the pane (which starts below the edit box) ends before it does: its own edge clips.
    EXPECT_GE(*p.rows.rbegin(), dialog_.m_Preview.height() - line_height())
        << "lines run on to the bottom edge";

    // A pane taller than the dialog's client less 20 pixels shows the rectangle's bottom edge.
    dialog_.m_Preview.resize(dialog_.m_Preview.width(), 400);
    const Painted tall = paint(dialog_);
    EXPECT_LT(*tall.rows.rbegin(), 200 - 20);
    EXPECT_GE(*tall.rows.rbegin(), 200 - 20 - line_height());
}

TEST_F(PaintTest, LineEndsBreakLinesButLongLinesStayWhole) {
    resize(300, 200);
    dialog_.m_Text = u"A" + std::u16string(100, u'W');
    const Painted one = paint(dialog_);
    EXPECT_LE(*one.rows.rbegin() - *one.rows.begin(), line_height());
    for (const char16_t* two_lines : {u"A\r\nB", u"A\nB", u"A\rB"}) {
        dialog_.m_Text = two_lines;
        const Painted p = paint(dialog_);
        EXPECT_GT(*p.rows.rbegin() - *p.rows.begin(), line_height() / 2);
    }
}

TEST_F(PaintTest, TabsAreExpandedToEightCharacterStops) {
    resize(300, 200);
    dialog_.m_Text = u"\tX";
    const Painted p = paint(dialog_);
    const double stop = 8 * QFontMetricsF(dialog_.font()).averageCharWidth();
    EXPECT_GE(p.left, 5 + int(stop) - 1);
    EXPECT_LT(p.left, 5 + int(stop) + 12);
}

TEST_F(PaintTest, AmpersandIsDrawnAsItIs) {
    resize(300, 200);
    dialog_.m_Text = u"&";
    const Painted amp = paint(dialog_);
    EXPECT_FALSE(amp.rows.empty()) << "no mnemonic processing swallows it";
    dialog_.m_Text = u"A&B";
    const int with = paint(dialog_).right;
    dialog_.m_Text = u"AB";
    EXPECT_GT(with, paint(dialog_).right);
}

}  // namespace
}  // namespace vermark::testing
