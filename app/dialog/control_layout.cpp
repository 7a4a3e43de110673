#include "app/dialog/control_layout.h"

namespace vermark {

PixelRect fit_edges_to_client(const PixelRect& control, const PixelRect& client, int margin,
                              bool keep_top, bool keep_left, bool keep_bottom, bool keep_right) {
    PixelRect fitted = control;
    if (!keep_top) fitted.top = client.top + margin;
    if (!keep_left) fitted.left = client.left + margin;
    if (!keep_bottom) fitted.bottom = client.bottom - margin;
    if (!keep_right) fitted.right = client.right - margin;
    return fitted;
}

}  // namespace vermark
