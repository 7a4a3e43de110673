// The three commands of `vermark`, each over its targets, returning the exit status.
#pragma once

#include <vector>

#include "cli/cli_report.h"
#include "cli/cli_targets.h"

namespace vermark::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a file failed (check: or lacks $ACADVER)
inline constexpr int kExitUsage = 2;

// A line per file: encoding, recorded version (the whole text is searched), whether it can be
// stamped and why not. 1 when a file could not be read.
int run_inspect(const std::vector<Target>& targets, Reporter& reporter);

// Writes the stamped copies. 1 when a file failed; files that are not eligible are skipped. A
// copy that would replace another input of the run, or another input's copy, is a failure.
int run_stamp(const std::vector<Target>& targets, Reporter& reporter);

// 1 when a file lacks $ACADVER anywhere in its text, or cannot be read.
int run_check(const std::vector<Target>& targets, Reporter& reporter);

}  // namespace vermark::cli
