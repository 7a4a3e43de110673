// The arithmetic of fitting a picture into the preview pane, apart from any drawing so that it
// can be checked on its own. Rectangles are in pixels with exclusive right and bottom edges.
#pragma once

#include <optional>

namespace vermark {

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const PixelRect&) const = default;
};

// The metafile rule: a picture of pw x ph fills `rect` in one direction with its proportions
// kept and is centred in the other. A picture whose size truncates to zero in either direction
// leaves the rectangle unchanged.
PixelRect fit_picture_rect(double pw, double ph, const PixelRect& rect);

// Where a bitmap of bw x bh lands when drawn fitted into (l, t, r, b): stretched over the whole
// rectangle (fit and stretch), scaled to fit and centred (fit, or a bitmap larger than the
// rectangle), or centred in its own size. A zero-sized bitmap is placed at the rectangle's corner
// in its own size.
PixelRect bitmap_fit_target(int l, int t, int r, int b, int bw, int bh, bool fit, bool stretch);

// The same placement for an icon of iw x ih: a fitting icon without `fit` keeps its size.
PixelRect icon_fit_target(int l, int t, int r, int b, int iw, int ih, bool fit, bool stretch);

}  // namespace vermark
