#include "app/dialog/picture_source.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/dialog/preview_cache.h"
#include "fake_view.h"
#include "support/sandbox.h"

namespace vermark::testing {
namespace {

namespace fs = std::filesystem;

const std::string kDrawing =
    "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\n0\n 10\n0\n 20\n0\n 11\n10\n 21\n5\n"
    "  0\nENDSEC\n  0\nEOF\n";

class FixedProbe : public ThumbnailProbe {
  public:
    explicit FixedProbe(bool answer) : answer_(answer) {}
    bool has_thumbnail(const std::u16string&) const override { return answer_; }

  private:
    bool answer_;
};

const FixedProbe kNoThumbnail(false);

TEST(PictureSource, PreferenceOrderFromTheCacheDownToTheIcon) {
    const auto folder = fresh_folder("picture_order");
    write_bytes(folder / "plan.dxf", kDrawing);
    const std::u16string plan = wide_path(folder / "plan.dxf");

    Picture drawn = choose_picture(plan, kNoThumbnail);
    EXPECT_EQ(drawn.kind, PictureKind::drawing);
    ASSERT_TRUE(drawn.drawing);
    EXPECT_EQ(drawn.drawing->lines.size(), 1u);

    EXPECT_EQ(choose_picture(plan, FixedProbe(true)).kind, PictureKind::thumbnail);

    write_bytes(folder / "plan.emf", "metafile");
    const Picture beside = choose_picture(plan, FixedProbe(true));
    EXPECT_EQ(beside.kind, PictureKind::metafile);
    EXPECT_EQ(beside.path, wide_path(folder / "plan.emf"));

    const std::u16string cached = preview_cache_path(plan);
    write_bytes(fs::path(platform::to_utf8(cached)), "metafile");
    const Picture from_cache = choose_picture(plan, kNoThumbnail);
    EXPECT_EQ(from_cache.kind, PictureKind::cached_metafile);
    EXPECT_EQ(from_cache.path, cached);
    fs::remove(fs::path(platform::to_utf8(cached)));
}

TEST(PictureSource, FilesWithoutAPictureOfTheirOwn) {
    const auto folder = fresh_folder("picture_none");
    EXPECT_EQ(choose_picture(wide_path(folder / "gone.dxf"), kNoThumbnail).kind, PictureKind::cleared);
    EXPECT_EQ(choose_picture(u"", kNoThumbnail).kind, PictureKind::cleared);

    write_bytes(folder / "notes.txt", "no picture");
    EXPECT_EQ(choose_picture(wide_path(folder / "notes.txt"), kNoThumbnail).kind, PictureKind::icon);
    // A drawing with nothing to draw, and one too large to be read for a picture.
    write_bytes(folder / "empty.dxf", "  0\nEOF\n");
    EXPECT_EQ(choose_picture(wide_path(folder / "empty.dxf"), kNoThumbnail).kind, PictureKind::icon);
    write_bytes(folder / "huge.dxf", kDrawing);
    fs::resize_file(folder / "huge.dxf", kLargestDrawnFile + 1);
    EXPECT_EQ(choose_picture(wide_path(folder / "huge.dxf"), kNoThumbnail).kind, PictureKind::icon);
    // A metafile dropped itself is played, also in capitals.
    write_bytes(folder / "Figure.EMF", "metafile");
    EXPECT_EQ(choose_picture(wide_path(folder / "Figure.EMF"), kNoThumbnail).kind,
              PictureKind::metafile);
}

}  // namespace
}  // namespace vermark::testing
