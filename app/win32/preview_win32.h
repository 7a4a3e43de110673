// The preview pane's picture drawn with GDI: the small drawing toolkit (metafiles, bitmaps and
// icons fitted to a rectangle, the shell's thumbnails and icons, a drawing's entities) and the
// drawing of the picture that app/dialog/picture_source.h chooses.
#pragma once

#include <windows.h>

#include <string>

#include "app/dialog/picture_source.h"
#include "app/dialog/preview_fit.h"
#include "dxf/dxf_geometry.h"

namespace vermark::win32 {

// Fills `rect` with `colour` (a COLORREF), or the window colour for -1. False without a DC.
bool fill_rect(HDC dc, const RECT& rect, long colour);

// The metafile's bounds fitted into `rect` (proportions kept, centred); `rect` itself when the
// header cannot be read.
PixelRect fit_emf_rect(const std::u16string& path, const PixelRect& rect);
// Plays the metafile fitted into `rect`. True whether or not the file could be opened.
bool draw_emf_fitted(HDC dc, const std::u16string& path, const PixelRect& rect);

// Width and height of a bitmap; 0, 0 when they cannot be read.
SIZE bitmap_size(HBITMAP bitmap);
bool draw_bitmap(HDC dc, int x, int y, HBITMAP bitmap, int width, int height);
bool draw_bitmap_fitted(HDC dc, int l, int t, int r, int b, HBITMAP bitmap, bool fit, bool stretch);
bool draw_icon_fitted(HDC dc, int l, int t, int r, int b, HICON icon, bool fit, bool stretch);

// The shell's large icon of the file, or null; the caller destroys it.
HICON shell_icon(const std::u16string& path);
// The shell's thumbnail of the file about width x height, or null; the caller deletes it.
HBITMAP shell_thumbnail(const std::u16string& path, int width, int height);

// Draws the drawing fitted and centred into `rect`; false when it is empty.
bool draw_drawing(HDC dc, const DxfGeometry& drawing, const RECT& rect);

// The desktop's thumbnails (IShellItemImageFactory). Asked from background threads: each call
// starts COM on its thread for its own duration.
class ShellThumbnailProbe : public ThumbnailProbe {
  public:
    bool has_thumbnail(const std::u16string& path) const override;
};

// Draws `picture` into `area` of `dc`, which holds the pane's previous picture: a cached
// metafile is drawn over it, every other kind onto the window colour. A thumbnail the shell no
// longer gives becomes the file's icon.
void draw_picture(HDC dc, const RECT& area, const Picture& picture);

}  // namespace vermark::win32
