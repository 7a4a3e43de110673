// `vermark`: inspects DXF drawings and writes their stamped copies from a terminal or a script.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/cli_report.h"
#include "platform/console.h"
#include "platform/process.h"
#include "platform/wide.h"
#include "settings/version_info.h"
#include "util/path.h"

namespace {

using namespace vermark::cli;

// "vermark 1.0.2023.921" from the version resource's "1, 0, 2023, 921".
std::string version_text() {
    vermark::VersionInfo info(vermark::platform::executable_path());
    std::string version = vermark::platform::to_utf8(info.file_version());
    std::string dotted;
    for (char c : version) {
        if (c != ' ') dotted += c == ',' ? '.' : c;
    }
    return "vermark " + dotted + "\n" + vermark::platform::to_utf8(info.legal_copyright()) + "\n";
}

int run_command(const Options& options) {
    const std::vector<Target> targets = collect_targets(options.operands, options.recursive);
    const bool progress =
        targets.size() > 1 && !options.quiet && vermark::platform::standard_error_is_terminal();
    Reporter reporter(std::cout, std::cerr, options.json, options.quiet, progress);
    switch (options.command) {
        case Command::inspect:
            return run_inspect(targets, reporter);
        case Command::stamp:
            return run_stamp(targets, reporter);
        case Command::check:
            return run_check(targets, reporter);
        default:
            return kExitUsage;
    }
}

}  // namespace

int main(int argc, char** argv) {
    // The program's own path heads the saved argument list, as the path helpers expect (the log
    // names the program by it).
    const std::vector<std::string> arguments = vermark::platform::program_arguments(argc, argv);
    vermark::StringList saved{vermark::platform::executable_path()};
    for (const std::string& argument : arguments)
        saved.push_back(vermark::platform::from_utf8(argument));
    vermark::set_saved_arguments(std::move(saved));

    const Options options = parse_options(arguments);
    if (!options.error.empty()) {
        std::cerr << "vermark: " << printable(options.error) << "\n"
                  << "Try 'vermark --help'.\n";
        return kExitUsage;
    }
    int status = kExitOk;
    if (options.command == Command::help) {
        std::cout << usage_text();
    } else if (options.command == Command::version) {
        std::cout << version_text();
    } else {
        status = run_command(options);
    }
    // A report cut short (a full disk behind a redirection) must not pass for a complete one.
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "vermark: cannot write to standard output\n";
        return kExitFailed;
    }
    return status;
}
