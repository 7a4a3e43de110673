#include "app/dialog/picture_source.h"

#include "app/dialog/preview_cache.h"
#include "platform/fs.h"
#include "util/path.h"

namespace vermark {
namespace {

bool small_enough_to_draw(const std::u16string& path) {
    const auto status = platform::file_status(path);
    return status && !status->is_folder && status->size <= kLargestDrawnFile;
}

Picture of_kind(PictureKind kind, const std::u16string& path) {
    return Picture{kind, path, nullptr};
}

}  // namespace

Picture choose_picture(const std::u16string& path, const ThumbnailProbe& probe) {
    const std::u16string cached = preview_cache_path(path);
    if (exists(cached, false)) return of_kind(PictureKind::cached_metafile, cached);

    const std::u16string beside = change_extension(path, u"emf");
    const std::u16string file = exists(beside, false) ? beside : path;
    if (extension_lower_of(file) == u"emf") return of_kind(PictureKind::metafile, file);
    if (file.empty() || !exists(file, false)) return of_kind(PictureKind::cleared, file);
    if (probe.has_thumbnail(file)) return of_kind(PictureKind::thumbnail, file);
    if (extension_lower_of(file) == u"dxf" && small_enough_to_draw(file)) {
        auto drawing = std::make_shared<const DxfGeometry>(read_dxf_geometry(file));
        if (!drawing->empty()) return Picture{PictureKind::drawing, file, std::move(drawing)};
    }
    return of_kind(PictureKind::icon, file);
}

}  // namespace vermark
