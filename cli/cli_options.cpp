#include "cli/cli_options.h"

namespace vermark::cli {
namespace {

Command command_named(std::string_view word) {
    if (word == "inspect") return Command::inspect;
    if (word == "stamp") return Command::stamp;
    if (word == "check") return Command::check;
    return Command::none;
}

// One argument that starts with '-'; false (and options.error set) when it is not known.
bool take_switch(std::string_view arg, Options& options) {
    if (arg == "--recursive") return options.recursive = true;
    if (arg == "--json") return options.json = true;
    if (arg == "--quiet") return options.quiet = true;
    if (arg == "--help") {
        options.command = Command::help;
        return true;
    }
    if (arg == "--version") {
        options.command = Command::version;
        return true;
    }
    if (arg.size() < 2 || arg[1] == '-') {
        options.error = "unknown option " + std::string(arg);
        return false;
    }
    for (char letter : arg.substr(1)) {  // "-rq" is "-r -q"
        switch (letter) {
            case 'r':
                options.recursive = true;
                break;
            case 'q':
                options.quiet = true;
                break;
            case 'h':
                options.command = Command::help;
                break;
            default:
                options.error = "unknown option -" + std::string(1, letter);
                return false;
        }
    }
    return true;
}

}  // namespace

Options parse_options(const std::vector<std::string>& arguments) {
    Options options;
    Command named = Command::none;
    bool switches_ended = false;
    for (const std::string& arg : arguments) {
        if (!switches_ended && arg == "--") {
            switches_ended = true;
        } else if (!switches_ended && arg.size() > 1 && arg[0] == '-') {
            if (!take_switch(arg, options)) return options;
        } else if (named == Command::none) {
            named = command_named(arg);
            if (named == Command::none) {
                options.error = "unknown command " + arg;
                return options;
            }
        } else {
            options.operands.push_back(arg);
        }
    }
    // --help and --version win over anything else on the line.
    if (options.command == Command::help || options.command == Command::version) return options;
    options.command = named;
    if (named == Command::none) {
        options.error = "no command given";
    } else if (options.operands.empty()) {
        options.error = "no file or folder given";
    }
    return options;
}

std::string usage_text() {
    return "Usage: vermark COMMAND [OPTIONS] FILE|FOLDER...\n"
           "Writes the DXF header variable $ACADVER = AC1008 into copies of drawings that lack "
           "it:\n"
           "plan.dxf gives plan.1008.dxf beside it, in the input's encoding. Inputs never change.\n"
           "\n"
           "Commands:\n"
           "  inspect FILE|FOLDER...   encoding, recorded version, and whether it can be stamped\n"
           "  stamp FILE|FOLDER...     write NAME.1008.dxf for each drawing without $ACADVER\n"
           "  check FILE|FOLDER...     exit status 1 when a drawing lacks $ACADVER\n"
           "\n"
           "Options:\n"
           "  -r, --recursive          walk folders for *.dxf files (any letter case)\n"
           "      --json               one JSON object per file on standard output\n"
           "  -q, --quiet              report errors only\n"
           "  -h, --help               show this text\n"
           "      --version            show the program's version\n"
           "\n"
           "Exit status: 0 when nothing failed, 1 when a file failed (or, for check, lacks\n"
           "$ACADVER), 2 for a command line that cannot be used.\n";
}

}  // namespace vermark::cli
