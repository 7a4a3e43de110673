// Turning a drop into the paths to load: the drop's paths in the order the shell gives them, each
// replaced by its target when it is a shortcut (".lnk", any case), so that the stamped copy is
// written beside the target.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>
#include <vector>

namespace vermark::win32 {

std::vector<std::u16string> dropped_paths(HDROP drop);

// The shortcut's target for an "lnk" path (empty when it cannot be resolved), else the path.
std::u16string resolve_dropped_path(const std::u16string& path);

// The target of the shortcut file in its long form; empty when the shortcut does not exist,
// cannot be loaded or resolved. `owner` owns any search window the resolution shows.
std::u16string resolve_shortcut(HWND owner, const std::u16string& path);

}  // namespace vermark::win32
