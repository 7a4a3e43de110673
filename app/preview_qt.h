// The preview pane's picture: drawn once per load into the pane's pixmap, in this order of
// preference: a cached metafile, a metafile beside the file, the file's thumbnail, its icon.
// The small drawing toolkit works on a painter in place of a device context.
#pragma once

#include <QIcon>
#include <QImage>
#include <QRect>
#include <QSize>
#include <optional>
#include <string>

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

// A picture holder for one file: fetches the thumbnail (or else the icon) on first draw and
// draws it fitted and centred.
class FilePreview {
  public:
    FilePreview() = default;
    virtual ~FilePreview() = default;
    FilePreview(const FilePreview&) = delete;
    FilePreview& operator=(const FilePreview&) = delete;

    virtual bool clear();
    virtual bool set_path(const std::u16string& path);
    virtual std::u16string get_path() const { return path_; }
    virtual bool draw_into_window(CPreviewPane* pane);
    virtual bool draw_into_dc(QPainter& dc, int l, int t, int r, int b);

  protected:
    std::optional<QImage> bitmap_;
    std::optional<QIcon> icon_;
    std::u16string path_;
    int requested_width_ = 512;
    int requested_height_ = 512;
};

// Adds playing an enhanced metafile (".emf", any case) to the file preview.
class MetafilePreview : public FilePreview {
  public:
    bool draw_into_window(CPreviewPane* pane) override;
    bool draw_into_dc(QPainter& dc, int l, int t, int r, int b) override;
};

// The picture step of a load: draws a picture of `path` into the pane's pixmap.
void draw_preview(CPreviewPane* pane, const std::u16string& path);

}  // namespace vermark
