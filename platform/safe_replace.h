// Replacing a file so that readers, crashes and interruptions only ever see the old file or the
// whole new one: the new bytes go to a staged file in the target's folder, which is renamed over
// the target once complete. Where the file system allows it the staged file has no name until it
// is committed, so an interrupted program (even one killed outright) leaves nothing behind; where
// it does not, the staged file is a hidden ".NAME.XXXXXXXX.tmp", locked while it is written, and
// the next replacement in that folder removes such files that their writer left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/byte_buffer.h"

namespace vermark::platform {

// Whether the new bytes must reach the disk before the rename.
enum class Flush {
    // Synced first: after a power loss the target is the old file or the new one. For files the
    // program cannot make again (settings).
    to_disk,
    // Left to the system, as cp does: a power loss soon after may leave the target short. For
    // copies made again from an input that is never changed, where a sync would cost seconds.
    to_cache,
};

struct ReplaceOptions {
    Flush flush = Flush::to_disk;
    // Permission bits of a new target (the umask applies).
    unsigned new_file_mode = 0666;
    // An existing target keeps its permission bits.
    bool keep_mode = false;
    // An existing target its owner may not write is left as it is (EACCES): it is read-only.
    bool refuse_read_only = false;
    // When set: group and others get no permission on the new file that they lack on this file.
    std::u16string narrow_like;
    // When set: a target that is this very file (through a link, or as a hard link of it) is
    // left as it is, and commit fails with EEXIST (see kept_target()). Looked at only when a
    // target is there, right before it would be replaced.
    std::u16string keep_target_if_same_as;
};

// A replacement in progress; move-less, abandons on destruction unless committed.
class StagedReplacement {
  public:
    StagedReplacement() = default;
    ~StagedReplacement();
    StagedReplacement(const StagedReplacement&) = delete;
    StagedReplacement& operator=(const StagedReplacement&) = delete;

    // Stages a new file for `target`. 0 on success, else the errno value.
    int begin(std::u16string_view target, const ReplaceOptions& options = {});
    // Appends bytes; false once anything has failed (see error()).
    bool write(const void* data, std::size_t size);
    // Appends the pieces in order, in one call where the system has one (no copy into one
    // buffer first).
    bool write(std::span<const ByteView> pieces);
    // Puts the staged file in the target's place. 0 on success, else the errno value, and
    // nothing is left of the staged file.
    int commit();
    // Drops the staged file.
    void abandon();

    int error() const { return error_; }
    // True when commit left the target alone as keep_target_if_same_as asks.
    bool kept_target() const { return kept_target_; }
    // True while the staged file has no name in the folder.
    bool is_unnamed() const { return fd_ >= 0 && temp_path_.empty(); }

  private:
    int stage_unnamed(const std::string& folder, unsigned mode);
    int stage_named(unsigned mode);
    int link_into_place();
    void fail(int error);
    // Whether the existing target must be kept (keep_target_if_same_as); notes it if so.
    bool must_keep_target();

    int fd_ = -1;
    std::string target_;     // native
    std::string temp_path_;  // native; empty while unnamed
    ReplaceOptions options_;
    int error_ = 0;
    bool kept_target_ = false;
    int in_flight_slot_ = -1;  // where a termination handler finds the named file
};

// Replaces `target` by `bytes` in one go. 0 on success, else the errno value.
int replace_file(std::u16string_view target, std::string_view bytes,
                 const ReplaceOptions& options = {});

// The whole content of a regular file (never a FIFO, which would wait, nor a device, which may
// not end). nullopt on failure, with the errno value in `error` (ENOENT for a missing file,
// EINVAL for a file that is not regular).
std::optional<std::string> read_regular_file(std::u16string_view path, int& error);

// An exclusive lock on path + ".lock" for the object's lifetime, serialising read-modify-write
// cycles between programs. Waits for the holder; held() is false where no lock file can be made.
class SideLock {
  public:
    explicit SideLock(std::u16string_view path);
    ~SideLock();
    SideLock(const SideLock&) = delete;
    SideLock& operator=(const SideLock&) = delete;
    bool held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

// Makes SIGINT, SIGTERM and SIGHUP (Ctrl-C, a kill, a closed terminal) remove the named staged
// files in progress before the program ends as the signal would end it. Signals that already
// have a handler keep it. Unnamed staged files need nothing: the system drops them.
void remove_staged_files_on_termination();

// Removes the named staged files in progress on any thread, for a program that leaves without
// waiting for its writers, so that it leaves no part of a copy behind.
void remove_staged_files_in_flight();

// Removes the staged files named like ours that a writer left in `folder`: older than a minute
// and locked by no live program. Done by begin() once per folder and process.
void remove_stale_staged_files(std::u16string_view folder);

}  // namespace vermark::platform
