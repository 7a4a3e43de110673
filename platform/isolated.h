// Work that hands untrusted files to a library we cannot vouch for runs in a child process, so a
// crash or an endless loop in that library costs only the child.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace vermark::platform {

// Runs `work` in a forked child and returns what it produced. Empty when the work produced
// nothing, the child died (a crash, a signal) or took longer than `limit` (it is killed then),
// or no child could be started. The child shares nothing back but the returned bytes.
std::optional<std::string> run_isolated(const std::function<std::optional<std::string>()>& work,
                                        std::chrono::milliseconds limit);

}  // namespace vermark::platform
