// The picture of a drawing, as the preview draws it, against stored pictures: lines and solids,
// circles, arcs and ellipses, polylines with bulges, texts, and nested block references. Set
// VERMARK_UPDATE_GOLDEN=1 to write the pictures anew into the source tree.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/shell_preview_qt.h"
#include "platform/wide.h"

namespace vermark::testing {
namespace {

const QSize kPictureSize(240, 180);
// A channel counts as changed past this difference; font hinting and anti-aliasing move a few
// edge pixels by less or touch only a few of them.
constexpr int kChannelTolerance = 64;
constexpr double kChangedShare = 0.004;

std::filesystem::path golden_folder() {
    return VERMARK_GOLDEN_DIR;
}

// The picture on white, as the pane shows it, in a format that compares pixel by pixel.
QImage picture_of(const std::string& name) {
    const std::u16string path = platform::from_utf8((golden_folder() / (name + ".dxf")).string());
    const QImage drawing = render_drawing(read_dxf_geometry(path), kPictureSize);
    QImage flat(kPictureSize, QImage::Format_RGB32);
    flat.fill(Qt::white);
    if (!drawing.isNull()) {
        QPainter painter(&flat);
        painter.drawImage(0, 0, drawing);
    }
    return flat;
}

bool differs(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) > kChannelTolerance ||
           std::abs(qGreen(a) - qGreen(b)) > kChannelTolerance ||
           std::abs(qBlue(a) - qBlue(b)) > kChannelTolerance;
}

int changed_pixels(const QImage& a, const QImage& b) {
    int changed = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) changed += differs(a.pixel(x, y), b.pixel(x, y));
    }
    return changed;
}

int drawn_pixels(const QImage& image) {
    QImage blank(image.size(), QImage::Format_RGB32);
    blank.fill(Qt::white);
    return changed_pixels(image, blank);
}

class DrawingGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(DrawingGolden, PictureMatchesTheStoredOne) {
    const QImage picture = picture_of(GetParam());
    const QString golden =
        QString::fromStdString((golden_folder() / (GetParam() + ".png")).string());
    if (std::getenv("VERMARK_UPDATE_GOLDEN")) {
        ASSERT_TRUE(picture.save(golden));
        GTEST_SKIP() << "written " << golden.toStdString();
    }
    const QImage expected = QImage(golden).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(expected.isNull()) << golden.toStdString();
    ASSERT_EQ(expected.size(), picture.size());
    EXPECT_GT(drawn_pixels(picture), 200) << "the drawing was drawn";
    const int limit = int(kChangedShare * picture.width() * picture.height());
    EXPECT_LE(changed_pixels(picture, expected), limit);
}

INSTANTIATE_TEST_SUITE_P(Drawings, DrawingGolden,
                         ::testing::Values("lines", "arcs", "bulges", "texts", "blocks"));

}  // namespace
}  // namespace vermark::testing
