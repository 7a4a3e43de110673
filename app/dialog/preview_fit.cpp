#include "app/dialog/preview_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vermark {
namespace {

struct Area {
    int x0;
    int y0;
    int w;
    int h;
};

Area normalised(int l, int t, int r, int b) {
    return {std::min(l, r), std::min(t, b), std::abs(r - l), std::abs(b - t)};
}

PixelRect at(int x, int y, int w, int h) {
    return {x, y, x + w, y + h};
}

// Scales w0 x h0 to fit w x h with its proportions kept, centred.
PixelRect scaled_centred(const Area& a, int w0, int h0) {
    const double s = double(w0) * a.h < double(h0) * a.w ? double(a.h) / h0 : double(a.w) / w0;
    const int dw = int(std::trunc(s * w0));
    const int dh = int(std::trunc(s * h0));
    return at(a.x0 + (a.w - dw) / 2, a.y0 + (a.h - dh) / 2, dw, dh);
}

}  // namespace

PixelRect fit_picture_rect(double pw, double ph, const PixelRect& rect) {
    if (std::trunc(pw) == 0 || std::trunc(ph) == 0) return rect;
    double w = rect.right - rect.left;
    double h = rect.bottom - rect.top;
    if (h / ph >= w / pw) {
        h = ph * w / pw;
    } else {
        w = pw * h / ph;
    }
    const int cx = (rect.left + rect.right) / 2;
    const int cy = (rect.top + rect.bottom) / 2;
    const int half_w = int(std::trunc(w / 2));
    const int half_h = int(std::trunc(h / 2));
    return {cx - half_w, cy - half_h, cx + half_w, cy + half_h};
}

PixelRect bitmap_fit_target(int l, int t, int r, int b, int bw, int bh, bool fit, bool stretch) {
    Area a = normalised(l, t, r, b);
    if (fit && stretch && a.w > 0 && a.h > 0) return at(a.x0, a.y0, a.w, a.h);
    if (a.w == 0) a.w = bw;
    if (a.h == 0) a.h = bh;
    if (fit || bw > a.w || bh > a.h) {
        if (bw == 0 || bh == 0) return at(a.x0, a.y0, bw, bh);
        return scaled_centred(a, bw, bh);
    }
    return at(a.x0 + (a.w - bw) / 2, a.y0 + (a.h - bh) / 2, bw, bh);
}

PixelRect icon_fit_target(int l, int t, int r, int b, int iw, int ih, bool fit, bool stretch) {
    Area a = normalised(l, t, r, b);
    if (fit && stretch && a.w > 0 && a.h > 0) return at(a.x0, a.y0, a.w, a.h);
    if (a.w == 0) a.w = iw;
    if (a.h == 0) a.h = ih;
    if (!fit && a.w >= iw && a.h >= ih) {
        return at(a.x0 + (a.w - iw) / 2, a.y0 + (a.h - ih) / 2, iw, ih);
    }
    if (iw != 0 && ih != 0) return scaled_centred(a, iw, ih);
    return at(a.x0, a.y0, iw, ih);
}

}  // namespace vermark
