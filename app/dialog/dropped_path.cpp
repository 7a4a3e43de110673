#include "app/dialog/dropped_path.h"

#include "platform/shell_link.h"
#include "util/path.h"

namespace vermark {

std::u16string resolve_dropped_path(const std::u16string& path) {
    if (extension_lower_of(path) == u"lnk") return resolve_shortcut(path);
    if (platform::is_symbolic_link(path)) {
        // A dangling link stays as it is and fails quietly when read, like a missing file.
        std::u16string target = platform::long_path_name(path);
        return target.empty() ? path : target;
    }
    return path;
}

std::u16string resolve_shortcut(const std::u16string& path) {
    if (!exists(path, false)) return {};
    return platform::shell_link_target(path);
}

}  // namespace vermark
