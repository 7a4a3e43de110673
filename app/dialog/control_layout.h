// The 1-pixel layout that keeps the dialog's controls against its client edges.
#pragma once

#include "app/dialog/preview_fit.h"

namespace vermark {

// The edges of `control` after fitting it to `client`: each edge not kept moves to the client's
// edge, `margin` pixels inward. Rectangles have exclusive right and bottom edges.
PixelRect fit_edges_to_client(const PixelRect& control, const PixelRect& client, int margin,
                              bool keep_top, bool keep_left, bool keep_bottom, bool keep_right);

}  // namespace vermark
