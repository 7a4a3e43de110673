#include "app/shell_preview_qt.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>
#include <QStyle>
#include <QUrl>
#include <cmath>

#include "util/path.h"

namespace vermark {
namespace {

// Pictures larger than this are read scaled down; the pane is far smaller anyway.
constexpr int kLargestImageSide = 4096;
constexpr double kDrawingMargin = 4;

QString qstring_of(const std::u16string& text) {
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

std::optional<QImage> image_of_file(const QString& file, QSize limit) {
    QImageReader reader(file);
    if (!reader.canRead()) return std::nullopt;
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > limit.width() || size.height() > limit.height())) {
        reader.setScaledSize(size.scaled(limit, Qt::KeepAspectRatio));
    }
    QImage image = reader.read();
    if (image.isNull()) return std::nullopt;
    return image;
}

void draw_texts(QPainter& painter, const DxfGeometry& drawing, const DxfViewTransform& view) {
    for (const DxfText& text : drawing.texts) {
        const double pixels = view.length(text.height);
        if (pixels < 2 || text.text.empty()) continue;
        QFont font = painter.font();
        font.setPixelSize(std::max(2, int(std::lround(pixels))));
        painter.save();
        painter.setFont(font);
        const DxfPoint at = view.map(text.position);
        painter.translate(at.x, at.y);
        painter.rotate(-text.angle_degrees);
        const QStringList lines = QString::fromUtf8(text.text).split(u'\n');
        for (int i = 0; i < lines.size(); ++i) {
            painter.drawText(QPointF(0, i * pixels * 1.5), lines[i]);
        }
        painter.restore();
    }
}

}  // namespace

QString thumbnail_cache_file(const std::u16string& path, const QString& flavour) {
    const QString uri = QString::fromUtf8(
        QUrl::fromLocalFile(QFileInfo(qstring_of(path)).absoluteFilePath()).toEncoded());
    const QByteArray hash = QCryptographicHash::hash(uri.toUtf8(), QCryptographicHash::Md5).toHex();
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return cache + QStringLiteral("/thumbnails/") + flavour + u'/' + QString::fromLatin1(hash) +
           QStringLiteral(".png");
}

std::optional<QImage> cached_thumbnail(const std::u16string& path) {
    const QFileInfo file(qstring_of(path));
    if (!file.isFile()) return std::nullopt;
    const qint64 mtime = file.lastModified().toSecsSinceEpoch();
    for (const QString& flavour : {QStringLiteral("large"), QStringLiteral("normal")}) {
        QImage image(thumbnail_cache_file(path, flavour));
        if (image.isNull()) continue;
        // A thumbnail made before the file last changed shows an old picture.
        const QString recorded = image.text(QStringLiteral("Thumb::MTime"));
        if (!recorded.isEmpty() && recorded.toLongLong() != mtime) continue;
        return image;
    }
    return std::nullopt;
}

QImage render_drawing(const DxfGeometry& drawing, QSize size) {
    if (drawing.empty() || size.isEmpty()) return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const DxfViewTransform view =
        fit_to_view(drawing.bounds, 0, 0, size.width(), size.height(), kDrawingMargin);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0x20, 0x30, 0x50));
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    auto point = [&](DxfPoint p) {
        const DxfPoint v = view.map(p);
        return QPointF(v.x, v.y);
    };
    for (const DxfLine& line : drawing.lines) painter.drawLine(point(line.from), point(line.to));
    for (const DxfArc& arc : drawing.arcs) {
        const double r = view.length(arc.radius);
        const QPointF c = point(arc.centre);
        double span = std::fmod(arc.end_degrees - arc.start_degrees, 360.0);
        if (span <= 0) span += 360;
        painter.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r),
                        int(std::lround(arc.start_degrees * 16)), int(std::lround(span * 16)));
    }
    for (const DxfPolyline& polyline : drawing.polylines) {
        QPolygonF points;
        for (const DxfPoint& p : polyline.points) points << point(p);
        if (polyline.closed) {
            painter.drawPolygon(points);
        } else {
            painter.drawPolyline(points);
        }
    }
    draw_texts(painter, drawing, view);
    return image;
}

std::optional<QImage> shell_thumbnail(const std::u16string& path, int width, int height) {
    if (auto cached = cached_thumbnail(path)) return cached;
    const QString file = qstring_of(path);
    if (QFileInfo(file).isFile()) {
        if (auto image = image_of_file(file, QSize(kLargestImageSide, kLargestImageSide))) {
            return image;
        }
    }
    // The drawing reader bounds its own time and memory, whatever the file's size.
    if (extension_lower_of(path) == u"dxf") {
        QImage picture = render_drawing(read_dxf_geometry(path), QSize(width, height));
        if (!picture.isNull()) return picture;
    }
    return std::nullopt;
}

std::optional<QIcon> shell_icon(const std::u16string& path) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(qstring_of(path));
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull() && qApp) {
        const bool folder = QFileInfo(qstring_of(path)).isDir();
        icon = qApp->style()->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    }
    if (icon.isNull()) return std::nullopt;
    return icon;
}

}  // namespace vermark
