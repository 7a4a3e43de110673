// Files opened the way the Windows runtime and framework open them, with their sharing modes
// played by advisory locks (flock): a reader takes a shared lock, a writer an exclusive one, and
// a lock held by another program is the "sharing violation" that the open policies wait for.
// Opens never block: they fail at once and the caller decides whether to retry.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/retry.h"

namespace vermark::platform {

enum class FileAccess {
    read,            // existing file, read only; shared lock ("rb", framework read + deny write)
    write_truncate,  // create or truncate, write only; exclusive lock ("wb")
    read_write,      // create if missing, keep contents; exclusive lock (framework create |
                     // read-write | share exclusive; the caller truncates)
};

enum class OpenFailure {
    none,
    sharing_violation,  // another program holds a conflicting lock
    transient,          // busy, permission changing, interrupted, out of handles: may pass
    not_found,          // no such file (or folder on the way)
    is_folder,          // the path names a folder
    not_folder,         // a non-folder stands where the path needs a folder
    other,              // anything else (bad name, read-only file system, ...)
};

// Whether waiting and trying again could help.
bool may_pass(OpenFailure failure);

// Callers retry opens by open_retry_policy() (platform/retry.h): 100 attempts, 100 ms apart.
// Tests shorten it.

// One open file with its lock; move-only, closes (and unlocks) on destruction.
class LockedFile {
  public:
    LockedFile() = default;
    ~LockedFile();
    LockedFile(LockedFile&& other) noexcept;
    LockedFile& operator=(LockedFile&& other) noexcept;
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    // Path in the program's UTF-16 form. On failure the object stays closed.
    OpenFailure open(const std::u16string& path, FileAccess access);
    bool is_open() const { return fd_ >= 0; }

    std::optional<std::uint64_t> size() const;  // full 64-bit size
    // Reads until `size` bytes or the end of the file; the count read.
    std::size_t read(void* data, std::size_t size);
    // Writes all bytes (continuing after short writes); false on any error.
    bool write_all(const void* data, std::size_t size);
    bool truncate();
    // False when the system reports an error on closing (data may not have reached the file).
    bool close();

  private:
    int fd_ = -1;
};

}  // namespace vermark::platform
