#include "app/emf_file.h"

#include <gtest/gtest.h>

#include <QRect>

#include "app/preview_qt.h"
#include "emf_builder.h"
#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

using vermark::testing::wide_path;

TEST(EmfFile, HeaderBoundsAndConversion) {
    const auto folder = testing::fresh_folder("emf_file");
    const auto file = folder / "wide.emf";
    testing::write_emf(file, 10, 20, 410, 120);

    const auto bounds = read_emf_bounds(wide_path(file));
    ASSERT_TRUE(bounds);
    EXPECT_EQ(bounds->left, 10);
    EXPECT_EQ(bounds->top, 20);
    EXPECT_EQ(bounds->right, 410);
    EXPECT_EQ(bounds->bottom, 120);

    const auto svg = emf_to_svg(wide_path(file));
    ASSERT_TRUE(svg);
    EXPECT_NE(svg->find("<svg"), std::string::npos);
    EXPECT_FALSE(emf_to_svg(wide_path(file), 64)) << "larger than the limit";
}

TEST(EmfFile, FilesThatAreNoMetafilesAreRefused) {
    const auto folder = testing::fresh_folder("emf_refused");
    testing::write_bytes(folder / "text.emf", std::string(200, 'x'));
    testing::write_bytes(folder / "short.emf", testing::emf_bytes(0, 0, 10, 10).substr(0, 30));
    for (const char* name : {"text.emf", "short.emf", "missing.emf"}) {
        EXPECT_FALSE(read_emf_bounds(wide_path(folder / name))) << name;
        EXPECT_FALSE(emf_to_svg(wide_path(folder / name))) << name;
    }
}

TEST(FitEmfRect, UsesTheHeaderBoundsOrElseTheRectangle) {
    const auto folder = testing::fresh_folder("emf_fit");
    testing::write_emf(folder / "square.emf", 0, 0, 50, 50);
    // A square picture in a 200 x 100 rectangle: 100 x 100, centred horizontally.
    EXPECT_EQ(fit_emf_rect(wide_path(folder / "square.emf"), QRect(0, 0, 200, 100)),
              QRect(50, 0, 100, 100));
    // Unreadable header: the rectangle's own proportions, so the rectangle itself.
    EXPECT_EQ(fit_emf_rect(wide_path(folder / "none.emf"), QRect(3, 4, 200, 100)),
              QRect(3, 4, 200, 100));
}

}  // namespace
}  // namespace vermark
