// Turning a drop into the paths to load: the dropped URLs as local paths. What each path stands
// for (a shortcut's or link's target) is app/dialog/dropped_path.h.
#pragma once

#include <string>
#include <vector>

class QMimeData;

namespace vermark {

// The local files of a drop, in the order the drag source gave them: file URLs without a host or
// naming this machine. Other URLs are left out.
std::vector<std::u16string> dropped_paths(const QMimeData& drop);

}  // namespace vermark
