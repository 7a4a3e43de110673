// Trying again: every open, write and poll that waits for something that may pass goes through
// `retry` with a RetryPolicy, so waits are bounded the same way everywhere. The file-open policy
// (100 attempts, 100 ms apart) and the pause are the seam: tests shorten the policy through
// open_retry_policy() and take the pauses over with set_retry_pause_for_testing.
#pragma once

#include <chrono>
#include <functional>

namespace vermark::platform {

// How often a step is tried and the pause after each try that failed for now.
struct RetryPolicy {
    int attempts = 100;
    std::chrono::milliseconds pause{100};
};

// The policy for opening files and for writing into them; tests shorten it.
RetryPolicy& open_retry_policy();

enum class Attempt {
    succeeded,
    failed_for_now,   // may pass: pause and try again while attempts remain
    failed_for_good,  // trying again cannot help
};

// Runs `step` up to `policy.attempts` times, pausing `policy.pause` after each try that failed
// for now (the last one included). True when a try succeeded.
bool retry(const RetryPolicy& policy, const std::function<Attempt()>& step);

// The pause between two tries, for the loops that count their tries themselves.
void pause_before_retry(std::chrono::milliseconds pause);

// Tests: `pause` runs in place of every pause between tries, so that a test can let go of a file
// at a known try instead of after a guessed time; an empty function restores sleeping.
void set_retry_pause_for_testing(std::function<void(std::chrono::milliseconds)> pause);

}  // namespace vermark::platform
