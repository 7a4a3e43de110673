#include "app/dialog/control_layout.h"

namespace vermark {
namespace {

constexpr int kTextInsetLeft = 5;
constexpr int kTextInsetTop = 5;
constexpr int kTextInsetRight = 7;
constexpr int kTextInsetBottom = 20;

}  // namespace

PixelRect fit_edges_to_client(const PixelRect& control, const PixelRect& client, int margin,
                              bool keep_top, bool keep_left, bool keep_bottom, bool keep_right) {
    PixelRect fitted = control;
    if (!keep_top) fitted.top = client.top + margin;
    if (!keep_left) fitted.left = client.left + margin;
    if (!keep_bottom) fitted.bottom = client.bottom - margin;
    if (!keep_right) fitted.right = client.right - margin;
    return fitted;
}

PixelRect painted_text_rect(const PixelRect& dialog_client) {
    return {dialog_client.left + kTextInsetLeft, dialog_client.top + kTextInsetTop,
            dialog_client.right - kTextInsetRight, dialog_client.bottom - kTextInsetBottom};
}

}  // namespace vermark
