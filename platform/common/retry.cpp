#include "platform/retry.h"

#include <thread>

namespace vermark::platform {
namespace {

std::function<void(std::chrono::milliseconds)>& pause_override() {
    static std::function<void(std::chrono::milliseconds)> pause;
    return pause;
}

}  // namespace

RetryPolicy& open_retry_policy() {
    static RetryPolicy policy;
    return policy;
}

bool retry(const RetryPolicy& policy, const std::function<Attempt()>& step) {
    for (int attempt = 0; attempt < policy.attempts; ++attempt) {
        switch (step()) {
            case Attempt::succeeded:
                return true;
            case Attempt::failed_for_good:
                return false;
            case Attempt::failed_for_now:
                pause_before_retry(policy.pause);
                break;
        }
    }
    return false;
}

void pause_before_retry(std::chrono::milliseconds pause) {
    if (const auto& replaced = pause_override()) {
        replaced(pause);
        return;
    }
    std::this_thread::sleep_for(pause);
}

void set_retry_pause_for_testing(std::function<void(std::chrono::milliseconds)> pause) {
    pause_override() = std::move(pause);
}

}  // namespace vermark::platform
