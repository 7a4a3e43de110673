// Starting other programs. Arguments always go to the program as separate strings, never
// through a shell command line, so paths with blanks or shell characters are safe.
#pragma once

#include <string>
#include <vector>

namespace vermark::platform {

// Starts `program` (a path) with `args`, detached in its own session with its standard streams
// on /dev/null, and returns at once. False when it could not be started.
bool start_detached(const std::string& program, const std::vector<std::string>& args);

struct CommandRun {
    bool started = false;
    bool finished = false;  // ended by itself before the time limit
    int exit_code = -1;
};

// Runs `program` with `args`, its standard output written to `output_path` (created or emptied,
// readable by the user only), its standard input and error on /dev/null. Waits at most
// `limit_ms`; a program still running then is killed.
CommandRun run_to_file(const std::string& program, const std::vector<std::string>& args,
                       const std::string& output_path, int limit_ms);

}  // namespace vermark::platform
