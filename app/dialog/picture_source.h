// Which picture the preview pane shows for a file, in this order of preference: a metafile in the
// preview cache, a metafile beside the file (or the file itself when it is one), the desktop's
// thumbnail, the drawing's own entities, the icon of the file's type. The view draws it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "dxf/dxf_geometry.h"

namespace vermark {

enum class PictureKind {
    cleared,          // nothing to show: the pane is cleared to the window colour
    cached_metafile,  // the cache's metafile, drawn fitted over what the pane shows
    metafile,         // a metafile, played fitted into the cleared pane
    thumbnail,        // the desktop's thumbnail of the file, fitted
    drawing,          // the drawing's own entities, fitted
    icon,             // the icon of the file's type, fitted
};

struct Picture {
    PictureKind kind = PictureKind::cleared;
    // The file drawn: the metafile for the metafile kinds, else the loaded file.
    std::u16string path;
    // The entities, read once per load and kept for redrawing at other sizes.
    std::shared_ptr<const DxfGeometry> drawing;
};

// What only the window system knows: whether the desktop has a thumbnail of a file. Called from
// a background thread.
class ThumbnailProbe {
  public:
    virtual ~ThumbnailProbe() = default;
    virtual bool has_thumbnail(const std::u16string& path) const = 0;
};

// Drawings up to what the entity reader takes in are drawn; larger ones get their type's icon
// instead of a picture of their first part.
inline constexpr std::uint64_t kLargestDrawnFile = DxfReadLimits{}.max_input_bytes;

// The picture of `path`. Reads a drawing's entities, which takes a while for a large one: call it
// off the dialog's thread.
Picture choose_picture(const std::u16string& path, const ThumbnailProbe& probe);

}  // namespace vermark
