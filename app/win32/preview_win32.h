// The preview pane's picture, drawn once per load with GDI, in this order of preference: a
// cached metafile, a metafile beside the file, for a drawing the drawing itself, the shell's
// thumbnail, the shell's icon of the file.
#pragma once

#include <windows.h>

#include <string>

#include "app/preview_fit.h"
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

// A picture holder for one file: draws a drawing's entities, else fetches the thumbnail (else the
// icon) on first draw and draws it fitted and centred.
class FilePreview {
  public:
    FilePreview() = default;
    virtual ~FilePreview();
    FilePreview(const FilePreview&) = delete;
    FilePreview& operator=(const FilePreview&) = delete;

    virtual bool clear();
    virtual bool set_path(const std::u16string& path);
    virtual std::u16string get_path() const { return path_; }
    virtual bool draw_into_dc(HDC dc, int l, int t, int r, int b);

  protected:
    HBITMAP bitmap_ = nullptr;
    HICON icon_ = nullptr;
    std::u16string path_;
    int requested_width_ = 512;
    int requested_height_ = 512;
};

// Adds playing an enhanced metafile (".emf", any case) to the file preview.
class MetafilePreview : public FilePreview {
  public:
    bool draw_into_dc(HDC dc, int l, int t, int r, int b) override;
};

// The picture step of a load: draws a picture of `path` into `area` of `dc` (the pane's picture,
// which the pane shows until the next load). A cached picture is drawn over what is there; any
// other picture on the window colour.
void draw_preview(HDC dc, const RECT& area, const std::u16string& path);

}  // namespace vermark::win32
