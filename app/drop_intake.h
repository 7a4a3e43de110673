// Turning a drop into the paths to load: the dropped URLs as local paths, and each path replaced
// by its target when it is a shortcut (".lnk", any case) or a symbolic link, so that the stamped
// copy is written beside the target.
#pragma once

#include <string>
#include <vector>

class QMimeData;

namespace vermark {

// The local files of a drop, in the order the drag source gave them: file URLs without a host or
// naming this machine. Other URLs are left out.
std::vector<std::u16string> dropped_paths(const QMimeData& drop);

// A shortcut's target, a symbolic link's target, else the path unchanged. A shortcut that cannot
// be resolved gives the empty path.
std::u16string resolve_dropped_path(const std::u16string& path);

// The target of the shortcut file, in its long form; empty when the shortcut does not exist,
// cannot be read, or leads nowhere.
std::u16string resolve_shortcut(const std::u16string& path);

}  // namespace vermark
