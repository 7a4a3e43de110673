// What the desktop can tell about a file's look: a thumbnail (the freedesktop thumbnail cache,
// else the file itself when Qt can read it as an image) and the icon of its file type from the
// icon theme; and the picture of a drawing's entities. Safe on any thread but shell_icon.
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>
#include <optional>
#include <string>

#include "dxf/dxf_geometry.h"

namespace vermark {

// The thumbnail of `path`, about `width` x `height` pixels; empty when there is none.
std::optional<QImage> shell_thumbnail(const std::u16string& path, int width, int height);

// Whether shell_thumbnail has a picture of `path`, without reading a whole image.
bool desktop_thumbnail_exists(const std::u16string& path);

// The icon of the file's type (by its MIME type); empty when the theme has none.
std::optional<QIcon> shell_icon(const std::u16string& path);

// The thumbnail-cache file of `path` in the cache's "large" or "normal" folder.
QString thumbnail_cache_file(const std::u16string& path, const QString& flavour);

// A thumbnail from the cache that is still current for the file (its recorded modification time,
// when it records one, matches the file's); large before normal.
std::optional<QImage> cached_thumbnail(const std::u16string& path);

// A picture of the drawing, `size` pixels, transparent where nothing is drawn; the drawing is
// fitted and centred. Null when the drawing is empty.
QImage render_drawing(const DxfGeometry& drawing, QSize size);

}  // namespace vermark
