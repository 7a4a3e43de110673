// The open policies shared by the text readers and writers: how often an open is tried and which
// failures are worth waiting for.
#pragma once

#include <string>

#include "platform/file_lock.h"

namespace vermark {

enum class RetryOn {
    // Anything that may pass: another program's lock, busy, permission changing, interrupted.
    // A missing file, a folder or a non-folder in the path gives up at once.
    any_passing_failure,
    // Only another program's lock (the framework's sharing violation).
    sharing_violation,
};

// Tries to open `path` into `file` up to open_retry_policy().attempts times, pausing after each
// failed attempt (the last included) while the failure is one `retry_on` waits for. With
// `single_attempt` one try is made. True when the file is open.
bool open_with_retries(platform::LockedFile& file, const std::u16string& path,
                       platform::FileAccess access, RetryOn retry_on, bool single_attempt = false);

}  // namespace vermark
