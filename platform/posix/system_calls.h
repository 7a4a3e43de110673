// The system calls behind platform/safe_replace.h, reachable through one table so that tests can
// make any single step fail (disk full, no O_TMPFILE, a failed rename...).
#pragma once

#include <sys/types.h>
#include <sys/uio.h>

namespace vermark::platform {

struct SystemCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, size_t size);
    ssize_t (*writev)(int fd, const iovec* pieces, int count);
    int (*fsync)(int fd);
    int (*fchmod)(int fd, mode_t mode);
    int (*linkat)(int from_folder, const char* from, int to_folder, const char* to, int flags);
    int (*rename)(const char* from, const char* to);
    int (*close)(int fd);
};

// The table in use; the real calls unless a test changed an entry.
SystemCalls& system_calls();
// The real calls, for putting an entry back.
const SystemCalls& real_system_calls();

}  // namespace vermark::platform
