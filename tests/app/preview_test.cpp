#include "app/preview_qt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPalette>
#include <filesystem>
#include <functional>

#include "app/dialog/preview_cache.h"
#include "app/qt_text.h"
#include "app/shell_preview_qt.h"
#include "dialog_fixture.h"
#include "emf_builder.h"

namespace vermark::testing {
namespace {

namespace fs = std::filesystem;

// The bounding box of the picture's pixels that satisfy `match`; null when none do.
QRect box_of(const QImage& image, const std::function<bool(QRgb)>& match) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (match(image.pixel(x, y))) box = box.united(QRect(x, y, 1, 1));
        }
    }
    return box;
}

bool is_black(QRgb c) {
    return qAlpha(c) > 200 && qRed(c) < 40 && qGreen(c) < 40 && qBlue(c) < 40;
}
bool is_red(QRgb c) {
    return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
}
bool is_green(QRgb c) {
    return qGreen(c) > 200 && qRed(c) < 60 && qBlue(c) < 60;
}

// The centred box: as high as the pane and as wide as high, within a few pixels (a metafile's
// outline is scaled with it).
void expect_square_centred(const QRect& box, QSize pane) {
    ASSERT_FALSE(box.isNull());
    EXPECT_NEAR(box.height(), pane.height(), 4);
    EXPECT_NEAR(box.width(), box.height(), 4);
    EXPECT_NEAR(box.left(), pane.width() - 1 - box.right(), 2) << "centred horizontally";
}

class PreviewTest : public DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        dialog_ = std::make_unique<CVermarkDlg>();
        dialog_->OnInitDialog();
        dialog_->resize(360, 200);  // a pane clearly wider than high
        dialog_->layout_controls();
    }
    CPreviewPane& pane() { return dialog_->m_Preview; }
    QImage picture() { return pane().picture().toImage(); }

    std::unique_ptr<CVermarkDlg> dialog_;
};

TEST_F(PreviewTest, MissingFileClearsThePaneToTheWindowColour) {
    pane().picture() = QPixmap(pane().size());
    pane().picture().fill(Qt::red);
    draw_preview(&pane(), u"/no/such/folder/plan.dxf");
    const QColor window = QApplication::palette().color(QPalette::Base);
    EXPECT_TRUE(box_of(picture(), [&](QRgb c) { return c != window.rgba(); }).isNull());
    EXPECT_EQ(picture().size(), pane().size());
}

TEST_F(PreviewTest, MetafileBesideTheFileIsPlayedFittedAndCentred) {
    const auto folder = fresh_folder("preview_emf_beside");
    write_bytes(folder / "plan.dxf", dxf_without_version());
    write_emf(folder / "plan.emf", 0, 0, 100, 100);
    draw_preview(&pane(), wide_path(folder / "plan.dxf"));
    expect_square_centred(box_of(picture(), is_black), pane().size());
}

TEST_F(PreviewTest, MetafileDroppedItselfIsPlayed) {
    const auto folder = fresh_folder("preview_emf_itself");
    write_emf(folder / "Figure.EMF", 0, 0, 400, 400);
    draw_preview(&pane(), wide_path(folder / "Figure.EMF"));
    expect_square_centred(box_of(picture(), is_black), pane().size());
}

TEST_F(PreviewTest, CachedPictureIsDrawnWithoutClearingFirst) {
    const auto folder = fresh_folder("preview_cached");
    write_bytes(folder / "plan.dxf", dxf_without_version());
    const std::u16string path = wide_path(folder / "plan.dxf");
    write_emf(fs::path(platform::to_utf8(preview_cache_path(path))), 0, 0, 50, 50);
    pane().picture() = QPixmap(pane().size());
    pane().picture().fill(Qt::red);

    draw_preview(&pane(), path);
    const QImage image = picture();
    expect_square_centred(box_of(image, is_black), pane().size());
    EXPECT_TRUE(is_red(image.pixel(1, 1))) << "what was there stays around the picture";
}

TEST_F(PreviewTest, ImageFileIsScaledToFitAndCentred) {
    const auto folder = fresh_folder("preview_png");
    QImage red(10, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString((folder / "red.png").string())));
    draw_preview(&pane(), wide_path(folder / "red.png"));
    expect_square_centred(box_of(picture(), is_red), pane().size());
}

TEST_F(PreviewTest, DrawingIsDrawnFromItsEntitiesFittedAndCentred) {
    const auto folder = fresh_folder("preview_dxf");
    write_bytes(folder / "plan.dxf", dxf_without_version());  // one line, 100 x 50
    draw_preview(&pane(), wide_path(folder / "plan.dxf"));
    const QRect box = box_of(picture(), [](QRgb c) { return qAlpha(c) > 0 && qGray(c) < 140; });
    ASSERT_FALSE(box.isNull());
    EXPECT_NEAR(box.left(), pane().width() - 1 - box.right(), 3);
    EXPECT_NEAR(box.width(), 2 * box.height(), 4) << "the drawing keeps its proportions";
}

quint32 png_crc(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFF;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void append_be32(QByteArray& out, quint32 v) {
    for (int i = 3; i >= 0; --i) out.append(char((v >> (8 * i)) & 0xFF));
}

// Writes a thumbnail-cache entry for `file` recording `mtime` in a "Thumb::MTime" text chunk,
// as thumbnailers write it (Qt's own writer cannot store a key holding colons).
void write_thumbnail(const fs::path& file, Qt::GlobalColor colour, qint64 mtime) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "png"));
    const QByteArray chunk_data =
        "tEXt" + QByteArray("Thumb::MTime") + '\0' + QByteArray::number(mtime);
    QByteArray chunk;
    append_be32(chunk, quint32(chunk_data.size() - 4));
    chunk += chunk_data;
    append_be32(chunk, png_crc(chunk_data));
    png.insert(8 + 25, chunk);  // after the signature and the header chunk
    const QString target = thumbnail_cache_file(wide_path(file), QStringLiteral("large"));
    write_bytes(fs::path(target.toStdString()), png.toStdString());
}

TEST_F(PreviewTest, CurrentThumbnailFromTheCacheIsUsedAndAStaleOneIsNot) {
    const auto folder = fresh_folder("preview_thumbnail");
    write_bytes(folder / "notes.xyz", "no picture of its own");
    const qint64 mtime = QFileInfo(QString::fromStdString((folder / "notes.xyz").string()))
                             .lastModified()
                             .toSecsSinceEpoch();

    write_thumbnail(folder / "notes.xyz", Qt::green, mtime);
    draw_preview(&pane(), wide_path(folder / "notes.xyz"));
    expect_square_centred(box_of(picture(), is_green), pane().size());

    write_thumbnail(folder / "notes.xyz", Qt::green, mtime - 100);
    draw_preview(&pane(), wide_path(folder / "notes.xyz"));
    EXPECT_TRUE(box_of(picture(), is_green).isNull());
}

TEST_F(PreviewTest, WithoutAThumbnailTheTypeIconIsScaledUpToFit) {
    const auto folder = fresh_folder("preview_icon");
    write_bytes(folder / "notes.xyz", "no picture of its own");
    draw_preview(&pane(), wide_path(folder / "notes.xyz"));
    const QColor window = QApplication::palette().color(QPalette::Base);
    const QRect box = box_of(picture(), [&](QRgb c) { return c != window.rgba(); });
    ASSERT_FALSE(box.isNull());
    EXPECT_GT(box.height(), pane().height() / 2) << "scaled up, not left at 32 pixels";
    EXPECT_NEAR(box.center().x(), pane().width() / 2, 4);
}

}  // namespace
}  // namespace vermark::testing
