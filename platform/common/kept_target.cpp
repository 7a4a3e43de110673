// The one rule both systems' staged files share before a target is replaced.
#include "platform/new_file.h"
#include "platform/safe_replace.h"
#include "platform/wide.h"

namespace vermark::platform {

bool StagedReplacement::must_keep_target() {
    if (options_.keep_target_if_same_as.empty() ||
        !same_file(options_.keep_target_if_same_as, from_utf8(target_)))
        return false;
    kept_target_ = true;
    return true;
}

}  // namespace vermark::platform
