// File removals and moves carried out when the program exits, once it no longer uses the files.
#pragma once

#include <string>
#include <string_view>

#include "util/path.h"

namespace vermark {

class DeferredFileOps {
  public:
    DeferredFileOps() = default;
    DeferredFileOps(const DeferredFileOps&) = delete;
    DeferredFileOps& operator=(const DeferredFileOps&) = delete;
    // Carries out run() first.
    virtual ~DeferredFileOps();

    // Schedules a file or folder (a folder goes only if it is empty by then).
    virtual void remove_later(std::u16string_view path);
    virtual void remove_later(const StringList& list);
    // Schedules a move: at run(), `source` is copied to `target`, then removed. A failed copy
    // leaves the source in place.
    virtual void move_later(std::u16string_view source, std::u16string_view target);
    // Does the copies of the scheduled moves now (overwriting); a source whose copy failed is
    // dropped from the removals. Clears the targets.
    virtual void copy_now();
    // Moves, then removals: sorted, duplicates dropped, reversed, so an entry inside a folder goes
    // before the folder. Failures are not reported. Leaves both lists empty.
    virtual void run();

    const StringList& paths() const { return paths_; }
    const StringList& targets() const { return targets_; }

  private:
    void copy_scheduled_moves();
    StringList paths_;
    StringList targets_;
};

// The shared instance: created on first use, carried out by an exit handler registered then.
DeferredFileOps& deferred_file_ops();

}  // namespace vermark
