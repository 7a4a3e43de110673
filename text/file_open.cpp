#include "text/file_open.h"

#include <thread>

namespace vermark {
namespace {

bool worth_waiting(OpenFailure failure, RetryOn retry_on) {
    return retry_on == RetryOn::sharing_violation ? failure == OpenFailure::sharing_violation
                                                  : may_pass(failure);
}

}  // namespace

bool open_with_retries(LockedFile& file, const std::u16string& path, FileAccess access,
                       RetryOn retry_on, bool single_attempt) {
    if (path.empty()) return false;
    const OpenRetryPolicy policy = open_retry_policy();
    const int attempts = single_attempt ? 1 : policy.attempts;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const OpenFailure failure = file.open(path, access);
        if (failure == OpenFailure::none) return true;
        if (single_attempt || !worth_waiting(failure, retry_on)) return false;
        std::this_thread::sleep_for(policy.pause);
    }
    return false;
}

}  // namespace vermark
