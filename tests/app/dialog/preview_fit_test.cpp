#include "app/dialog/preview_fit.h"

#include <gtest/gtest.h>

namespace vermark {
namespace {

TEST(FitPictureRect, KeepsProportionsFillsOneDirectionAndCentres) {
    // A square picture in a pane twice as wide as high: full height, centred horizontally.
    EXPECT_EQ(fit_picture_rect(100, 100, {0, 0, 200, 100}), (PixelRect{50, 0, 150, 100}));
    // A wide picture in a square: full width, centred vertically.
    EXPECT_EQ(fit_picture_rect(400, 100, {10, 10, 110, 110}), (PixelRect{10, 48, 110, 72}));
    // Equal ratios take the first branch and fill the whole rectangle.
    EXPECT_EQ(fit_picture_rect(20, 10, {0, 0, 40, 20}), (PixelRect{0, 0, 40, 20}));
}

TEST(FitPictureRect, TruncatesTowardZeroAroundAnIntegerCentre) {
    // Centre (0 + 7) / 2 = 3; half width 7 / 2 = 3.5 -> 3.
    EXPECT_EQ(fit_picture_rect(1, 1, {0, 0, 7, 7}), (PixelRect{0, 0, 6, 6}));
    // Negative coordinates: centre -3 (truncated toward zero), not -4.
    EXPECT_EQ(fit_picture_rect(1, 1, {-7, -7, 0, 0}), (PixelRect{-6, -6, 0, 0}));
}

TEST(FitPictureRect, PictureWithoutSizeLeavesTheRectangle) {
    const PixelRect rect{3, 4, 50, 60};
    EXPECT_EQ(fit_picture_rect(0, 100, rect), rect);
    EXPECT_EQ(fit_picture_rect(100, 0.9, rect), rect);  // truncates to zero
}

TEST(BitmapFitTarget, ScalesToFitAndCentres) {
    // fit set, square bitmap in a 200 x 100 pane: 100 x 100 centred.
    EXPECT_EQ(bitmap_fit_target(0, 0, 200, 100, 32, 32, true, false), (PixelRect{50, 0, 150, 100}));
    // Reversed corners are normalised.
    EXPECT_EQ(bitmap_fit_target(200, 100, 0, 0, 32, 32, true, false), (PixelRect{50, 0, 150, 100}));
    // A tall bitmap: height-limited, the width truncated (0.5 * 33 = 16.5 -> 16).
    EXPECT_EQ(bitmap_fit_target(0, 0, 100, 100, 33, 200, true, false), (PixelRect{42, 0, 58, 100}));
}

TEST(BitmapFitTarget, WithoutFitOnlyLargeBitmapsAreScaled) {
    // Fits: own size, centred.
    EXPECT_EQ(bitmap_fit_target(0, 0, 100, 50, 20, 10, false, false), (PixelRect{40, 20, 60, 30}));
    // Too wide: scaled down.
    EXPECT_EQ(bitmap_fit_target(0, 0, 100, 50, 400, 100, false, false),
              (PixelRect{0, 12, 100, 37}));
}

TEST(BitmapFitTarget, StretchNeedsFitAndAnArea) {
    EXPECT_EQ(bitmap_fit_target(5, 5, 105, 55, 10, 10, true, true), (PixelRect{5, 5, 105, 55}));
    // Stretch without fit is ignored.
    EXPECT_EQ(bitmap_fit_target(0, 0, 100, 100, 10, 20, false, true), (PixelRect{45, 40, 55, 60}));
    // A zero-width area takes the bitmap's width, so nothing is stretched.
    EXPECT_EQ(bitmap_fit_target(0, 0, 0, 100, 10, 20, true, true), (PixelRect{0, 40, 10, 60}));
}

TEST(BitmapFitTarget, ZeroSizedBitmapStaysAtTheCorner) {
    EXPECT_EQ(bitmap_fit_target(7, 8, 100, 100, 0, 0, true, false), (PixelRect{7, 8, 7, 8}));
}

TEST(IconFitTarget, FittingIconKeepsItsSizeUnlessFitIsAsked) {
    EXPECT_EQ(icon_fit_target(0, 0, 100, 60, 32, 32, false, false), (PixelRect{34, 14, 66, 46}));
    // Scaled up to the pane's height and centred.
    EXPECT_EQ(icon_fit_target(0, 0, 100, 60, 32, 32, true, false), (PixelRect{20, 0, 80, 60}));
    // An icon without size is drawn at the corner.
    EXPECT_EQ(icon_fit_target(10, 10, 100, 60, 0, 0, true, false), (PixelRect{10, 10, 10, 10}));
}

}  // namespace
}  // namespace vermark
