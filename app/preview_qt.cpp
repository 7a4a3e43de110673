#include "app/preview_qt.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>
#include <algorithm>

#include "app/dialog/preview_fit.h"
#include "app/dialog_layout.h"
#include "app/emf_file.h"
#include "app/shell_preview_qt.h"
#include "app/vermark_dlg.h"
#include "util/path.h"

namespace vermark {
namespace {

constexpr int kSmallestRequest = 32;
constexpr int kLargeIconSize = 32;

// The pane's picture, sized to the pane; kept (not cleared) when it already has that size.
QPixmap& pane_picture(CPreviewPane& pane) {
    QPixmap& picture = pane.picture();
    const qreal ratio = pane.devicePixelRatioF();
    const QSize pixels = pane.size() * ratio;
    if (picture.isNull() || picture.size() != pixels) {
        picture = QPixmap(pixels.expandedTo(QSize(1, 1)));
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
    }
    return picture;
}

QRect client_rect(const CPreviewPane& pane) {
    return QRect(QPoint(0, 0), pane.size());
}

}  // namespace

bool fill_window(CPreviewPane* pane, long colour) {
    if (!pane) return false;
    const QColor fill = colour == -1 ? QApplication::palette().color(QPalette::Base)
                                     : QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF),
                                              int((colour >> 16) & 0xFF));
    pane_picture(*pane).fill(fill);
    pane->update();
    return true;
}

QRect fit_emf_rect(const std::u16string& path, const QRect& rect) {
    const PixelRect area = to_pixel_rect(rect);
    double pw = area.width();
    double ph = area.height();
    if (auto bounds = read_emf_bounds(path)) {
        pw = double(bounds->right) - bounds->left;
        ph = double(bounds->bottom) - bounds->top;
    }
    const PixelRect fitted = fit_picture_rect(pw, ph, area);
    return QRect(fitted.left, fitted.top, fitted.width(), fitted.height());
}

bool draw_emf_fitted(QPainter& dc, const std::u16string& path, const QRect& rect) {
    auto svg = emf_to_svg(path);
    if (!svg) return true;
    QSvgRenderer renderer(QByteArray::fromStdString(*svg));
    if (renderer.isValid()) renderer.render(&dc, QRectF(fit_emf_rect(path, rect)));
    return true;
}

QSize bitmap_size(const QImage* bitmap) {
    return bitmap && !bitmap->isNull() ? bitmap->size() : QSize(0, 0);
}

bool draw_bitmap(QPainter& dc, int x, int y, const QImage* bitmap, int width, int height) {
    if (!bitmap || bitmap->isNull()) return false;
    if (width == 0 || height == 0) {
        width = bitmap->width();
        height = bitmap->height();
    }
    dc.save();
    dc.setRenderHint(QPainter::SmoothPixmapTransform);
    dc.drawImage(QRect(x, y, width, height), *bitmap);
    dc.restore();
    return true;
}

bool draw_bitmap_fitted(QPainter& dc, int l, int t, int r, int b, const QImage* bitmap, bool fit,
                        bool stretch) {
    if (!bitmap || bitmap->isNull()) return false;
    const QSize size = bitmap_size(bitmap);
    const PixelRect target =
        bitmap_fit_target(l, t, r, b, size.width(), size.height(), fit, stretch);
    return draw_bitmap(dc, target.left, target.top, bitmap, target.width(), target.height());
}

bool draw_icon_fitted(QPainter& dc, int l, int t, int r, int b, const QIcon* icon, bool fit,
                      bool stretch) {
    if (!icon || icon->isNull()) return false;
    const QSize own = icon->actualSize(QSize(kLargeIconSize, kLargeIconSize));
    const PixelRect target = icon_fit_target(l, t, r, b, own.width(), own.height(), fit, stretch);
    if (target.width() <= 0 || target.height() <= 0) return false;
    const QRect area(target.left, target.top, target.width(), target.height());
    // Ask the theme for the drawn size so scalable icons stay sharp.
    const QPixmap pixmap = icon->pixmap(area.size(), dc.device()->devicePixelRatioF());
    dc.save();
    dc.setRenderHint(QPainter::SmoothPixmapTransform);
    dc.drawPixmap(area, pixmap);
    dc.restore();
    return true;
}

bool QtThumbnailProbe::has_thumbnail(const std::u16string& path) const {
    return desktop_thumbnail_exists(path);
}

void show_rendered_drawing(CPreviewPane* pane, const QImage& image) {
    if (!pane) return;
    fill_window(pane, -1);
    QPainter dc(&pane_picture(*pane));
    const QRect client = client_rect(*pane);
    draw_bitmap_fitted(dc, client.left(), client.top(), client.left() + client.width(),
                       client.top() + client.height(), &image, true, false);
    pane->update();
}

void draw_picture(CPreviewPane* pane, const Picture& picture) {
    if (!pane) return;
    if (picture.kind == PictureKind::cached_metafile) {
        QPainter dc(&pane_picture(*pane));
        draw_emf_fitted(dc, picture.path, client_rect(*pane));
        pane->update();
        return;
    }
    fill_window(pane, -1);
    QPainter dc(&pane_picture(*pane));
    const QRect client = client_rect(*pane);
    const int l = client.left(), t = client.top();
    const int r = l + client.width(), b = t + client.height();
    switch (picture.kind) {
        case PictureKind::metafile:
            draw_emf_fitted(dc, picture.path, client);
            break;
        case PictureKind::thumbnail:
            if (auto bitmap =
                    shell_thumbnail(picture.path, std::max(client.width(), kSmallestRequest),
                                    std::max(client.height(), kSmallestRequest))) {
                draw_bitmap_fitted(dc, l, t, r, b, &*bitmap, true, false);
            }
            break;
        case PictureKind::drawing:
            if (picture.drawing) {
                const QImage image = render_drawing(*picture.drawing, client.size());
                draw_bitmap_fitted(dc, l, t, r, b, &image, true, false);
            }
            break;
        case PictureKind::icon:
            if (auto icon = shell_icon(picture.path))
                draw_icon_fitted(dc, l, t, r, b, &*icon, true, false);
            break;
        case PictureKind::cleared:
        case PictureKind::cached_metafile:
            break;
    }
    pane->update();
}

void draw_preview(CPreviewPane* pane, const std::u16string& path) {
    draw_picture(pane, choose_picture(path, QtThumbnailProbe()));
}

}  // namespace vermark
