// What a dropped path stands for: a shortcut (".lnk", any case) or a symbolic link is replaced by
// its target, so that the stamped copy is written beside the target.
#pragma once

#include <string>

namespace vermark {

// A shortcut's target, a symbolic link's target, else the path unchanged. A shortcut that cannot
// be resolved gives the empty path.
std::u16string resolve_dropped_path(const std::u16string& path);

// The target of the shortcut file, in its long form; empty when the shortcut does not exist,
// cannot be read, or leads nowhere.
std::u16string resolve_shortcut(const std::u16string& path);

}  // namespace vermark
