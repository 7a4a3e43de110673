#include "text/file_open.h"

namespace vermark {
namespace {

bool worth_waiting(platform::OpenFailure failure, RetryOn retry_on) {
    return retry_on == RetryOn::sharing_violation
               ? failure == platform::OpenFailure::sharing_violation
               : platform::may_pass(failure);
}

}  // namespace

bool open_with_retries(platform::LockedFile& file, const std::u16string& path,
                       platform::FileAccess access, RetryOn retry_on, bool single_attempt) {
    if (path.empty()) return false;
    return platform::retry(platform::open_retry_policy(), [&] {
        const platform::OpenFailure failure = file.open(path, access);
        if (failure == platform::OpenFailure::none) return platform::Attempt::succeeded;
        if (single_attempt || !worth_waiting(failure, retry_on))
            return platform::Attempt::failed_for_good;
        return platform::Attempt::failed_for_now;
    });
}

}  // namespace vermark
