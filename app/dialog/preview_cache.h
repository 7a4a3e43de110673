// Where a ready-made picture of a dropped file would be: an enhanced metafile in the cache under
// the temporary folder, filed by the file's kind and extension. The program only reads the cache;
// this computes the name, touching no file (it only asks which network mounts exist).
#pragma once

#include <string>
#include <string_view>

namespace vermark {

// The kind folder for a lower-case extension: "DIB" for raster images, "_MF" for metafiles,
// "_3D" for 3D models, "Ohter" for every other extension (the empty one and "dxf" included).
std::u16string_view preview_kind_folder(std::u16string_view extension_lower);

// <temp>/Cache.tmp/<kind>/<EXTENSION or ___>/<path, compacted to 100 characters, with its drive
// or server as folders and its other separators as '_'>.emf. Quotes around `path` are ignored
// and a path on a network mount is filed under its network name.
// "C:\work\plan.dxf" -> <temp>/Cache.tmp/Ohter/DXF/C/work_plan.dxf.emf.
std::u16string preview_cache_path(std::u16string_view path);

// The path with its local mount point replaced by the network name it stands for
// ("/mnt/share/a.png" on a CIFS mount of "//srv/share" -> "//srv/share/a.png"); any other path
// unchanged.
std::u16string unc_path_of(std::u16string_view path);

}  // namespace vermark
