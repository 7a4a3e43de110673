// The 1-pixel layout that keeps the dialog's controls against its client edges.
#pragma once

#include "app/dialog/preview_fit.h"

namespace vermark {

// The edges of `control` after fitting it to `client`: each edge not kept moves to the client's
// edge, `margin` pixels inward. Rectangles have exclusive right and bottom edges.
PixelRect fit_edges_to_client(const PixelRect& control, const PixelRect& client, int margin,
                              bool keep_top, bool keep_left, bool keep_bottom, bool keep_right);

// The margin the preview pane and the edit box keep from the dialog's client edges.
inline constexpr int kControlMargin = 1;

// Where the head text (or the prompt) is painted, in the preview pane's own coordinates: the
// dialog's client rectangle moved 5, 5 pixels in at the left and top and 7, 20 at the right and
// bottom. Empty (right <= left or bottom <= top) when the dialog is too small for any text.
PixelRect painted_text_rect(const PixelRect& dialog_client);

}  // namespace vermark
