#include "util/deferred_file_ops.h"

#include <algorithm>
#include <cstdlib>

#include "platform/fs.h"
#include "util/folder_listing.h"

namespace vermark {

DeferredFileOps::~DeferredFileOps() {
    DeferredFileOps::run();
}

void DeferredFileOps::remove_later(std::u16string_view path) {
    paths_.emplace_back(path);
}

void DeferredFileOps::remove_later(const StringList& list) {
    paths_.insert(paths_.end(), list.begin(), list.end());
}

void DeferredFileOps::move_later(std::u16string_view source, std::u16string_view target) {
    paths_.emplace_back(source);
    if (targets_.size() < paths_.size()) targets_.resize(paths_.size());
    targets_[paths_.size() - 1] = target;
}

void DeferredFileOps::copy_scheduled_moves() {
    const std::size_t count = std::min(paths_.size(), targets_.size());
    for (std::size_t i = 0; i < count; ++i) {
        std::u16string& source = paths_[i];
        const std::u16string& target = targets_[i];
        if (source.empty() || target.empty() || !exists(source)) continue;
        // copy_file makes the target's folder when needed. A source that did not reach its
        // target must not be removed.
        if (!copy_file(source, target, false)) source.clear();
    }
    targets_.clear();
}

void DeferredFileOps::copy_now() {
    copy_scheduled_moves();
}

void DeferredFileOps::run() {
    copy_scheduled_moves();
    std::sort(paths_.begin(), paths_.end());
    paths_.erase(std::unique(paths_.begin(), paths_.end()), paths_.end());
    std::reverse(paths_.begin(), paths_.end());
    for (std::u16string& entry : paths_) {
        std::u16string path = strip_separator(entry);
        entry.clear();
        if (path.empty()) continue;
        const auto status = platform::link_status(path);
        if (!status) continue;
        if (status->is_folder) {
            if (folder_is_empty(path)) platform::remove_folder(path);
        } else {
            platform::remove_file(path);
        }
    }
    paths_.clear();
}

namespace {
void run_shared_at_exit();

// Never destroyed: the exit handler may run after static objects are gone.
DeferredFileOps& shared_instance() {
    static DeferredFileOps* const shared = [] {
        auto* ops = new DeferredFileOps();
        std::atexit(run_shared_at_exit);
        // The dialog leaves this way when a worker it cannot stop still runs.
#ifndef _WIN32  // the Windows runtime has no quick exit handlers; the dialog there ends normally
        std::at_quick_exit(run_shared_at_exit);
#endif
        return ops;
    }();
    return *shared;
}

void run_shared_at_exit() {
    shared_instance().run();
}
}  // namespace

DeferredFileOps& deferred_file_ops() {
    return shared_instance();
}

}  // namespace vermark
