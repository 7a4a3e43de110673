// Drawing the preview pane's picture (app/dialog/picture_source.h chooses which) into the pane's
// pixmap with Qt. The small drawing toolkit works on a painter in place of a device context.
#pragma once

#include <QIcon>
#include <QImage>
#include <QRect>
#include <QSize>
#include <memory>
#include <string>

#include "app/dialog/picture_source.h"

class CPreviewPane;
class QPainter;

namespace vermark {

// Fills the pane's picture with `colour` (an RGB value), or the window colour for -1.
// False without a pane.
bool fill_window(CPreviewPane* pane, long colour);

// The metafile's bounds fitted into `rect` with its proportions kept and centred; `rect`
// itself when the header cannot be read or the picture has no size.
QRect fit_emf_rect(const std::u16string& path, const QRect& rect);

// Plays the metafile fitted into `rect`. True whether or not the file could be played.
bool draw_emf_fitted(QPainter& dc, const std::u16string& path, const QRect& rect);

QSize bitmap_size(const QImage* bitmap);
// Draws the bitmap at (x, y) in width x height, or in its own size when either is 0.
bool draw_bitmap(QPainter& dc, int x, int y, const QImage* bitmap, int width, int height);
bool draw_bitmap_fitted(QPainter& dc, int l, int t, int r, int b, const QImage* bitmap, bool fit,
                        bool stretch);
// An icon's own size is that of its large form (32 x 32 unless the icon is smaller).
bool draw_icon_fitted(QPainter& dc, int l, int t, int r, int b, const QIcon* icon, bool fit,
                      bool stretch);

// The desktop's side of the picture choice: a thumbnail in the cache, or a file Qt reads as an
// image. Holds nothing of any window, so background threads may ask it.
class QtThumbnailProbe : public ThumbnailProbe {
  public:
    bool has_thumbnail(const std::u16string& path) const override;
};

// Draws `picture` into the pane's pixmap at the pane's size, a drawing's entities included.
void draw_picture(CPreviewPane* pane, const Picture& picture);

// Puts a drawing rendered elsewhere (render_drawing at the pane's size) into the cleared pane,
// fitted and centred as draw_picture puts it.
void show_rendered_drawing(CPreviewPane* pane, const QImage& image);

// The picture step of a load done at once on the calling thread: chooses and draws.
void draw_preview(CPreviewPane* pane, const std::u16string& path);

}  // namespace vermark
