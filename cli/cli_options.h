// The command line of `vermark`: a command, switches, and the files or folders to work on.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vermark::cli {

enum class Command { none, inspect, stamp, check, help, version };

struct Options {
    Command command = Command::none;
    bool recursive = false;  // -r: walk folders for *.dxf
    bool json = false;       // --json: one JSON object per file on standard output
    bool quiet = false;      // -q: only errors (and the exit status) are reported
    std::vector<std::string> operands;
    std::string error;  // set when the command line is unusable (exit status 2)
};

// Parses the arguments after the program name. Switches may stand anywhere; "--" ends them.
Options parse_options(const std::vector<std::string>& arguments);

// The text of --help.
std::string usage_text();

}  // namespace vermark::cli
