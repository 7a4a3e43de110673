// Names of cached preview pictures.
#include "app/dialog/preview_cache.h"

#include <array>

#include "platform/network_drive.h"
#include "platform/text_case.h"
#include "update/url_text.h"
#include "util/folders.h"
#include "util/path.h"

namespace vermark {
namespace {

constexpr std::u16string_view kCacheFolder = u"Cache.tmp";
constexpr std::u16string_view kNoExtension = u"___";
constexpr std::u16string_view kPictureExtension = u".emf";
constexpr std::size_t kNameLimit = 100;

struct KindFolder {
    std::u16string_view folder;
    std::initializer_list<std::u16string_view> extensions;
};

const std::array<KindFolder, 3>& kind_folders() {
    static const std::array<KindFolder, 3> kinds = {{
        {u"DIB",
         {u"bmp", u"tga", u"ajp", u"prw", u"jpg", u"pcx", u"ppm", u"pgm", u"pbm", u"png", u"tif",
          u"epx", u"epp", u"itx"}},
        {u"_MF", {u"emf", u"wmf"}},
        {u"_3D",
         {u"3ds", u"3mf", u"ac", u"amf", u"dae", u"ig3", u"imo", u"ipl", u"ix3", u"model", u"mqo",
          u"mtl", u"obj", u"ply", u"stl", u"wrl", u"x3d", u"zae"}},
    }};
    return kinds;
}

// The path as one name below its drive or server: the root becomes folder levels, an elided
// middle a folder "_---", every other separator '_'. The rules are written for '\', so the
// path's separators are turned into '\' first; the '/' they produce are the folder levels.
std::u16string cache_name(std::u16string_view path) {
    std::u16string name = compact_path(path, kNameLimit);
    for (char16_t& c : name) {
        if (c == u'/') c = u'\\';
    }
    name = replace_all(name, u"\\...\\", u"_---/");
    name = replace_all(name, u":\\", u"/");
    name = replace_all(name, u"\\\\", u"/_");
    return replace_all(name, u"\\", u"_");
}

}  // namespace

std::u16string_view preview_kind_folder(std::u16string_view extension_lower) {
    for (const KindFolder& kind : kind_folders()) {
        for (std::u16string_view extension : kind.extensions) {
            if (extension == extension_lower) return kind.folder;
        }
    }
    return u"Ohter";
}

std::u16string unc_path_of(std::u16string_view path) {
    if (std::optional<std::u16string> name = platform::network_name_of(path)) return *name;
    return std::u16string(path);
}

std::u16string preview_cache_path(std::u16string_view path) {
    const std::u16string p = unc_path_of(unquote_all(path));
    std::u16string extension = platform::ascii_upper(extension_of(p));
    if (extension.empty()) extension = kNoExtension;

    std::u16string folder = ensure_separator(temp_folder()) + std::u16string(kCacheFolder);
    folder = ensure_separator(folder) + std::u16string(preview_kind_folder(extension_lower_of(p)));
    folder = ensure_separator(folder) + extension;
    // The extension is appended also to a metafile's own name: x.emf has the picture x.emf.emf.
    return normalise_separators(ensure_separator(folder) + cache_name(p) +
                                std::u16string(kPictureExtension));
}

}  // namespace vermark
