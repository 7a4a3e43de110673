// The files a command works on: the files named, and with -r the *.dxf files under the folders
// named. Operands that cannot be used become targets carrying their error.
#pragma once

#include <string>
#include <vector>

namespace vermark::cli {

struct Target {
    std::string path;    // as named, or the folder as named joined with the names below it
    std::string error;   // empty when the file can be worked on
    bool plain = false;  // a regular file and no link, as its folder's listing said
};

// In the order named; each folder's files sorted by path. A folder without `recursive`, a
// missing operand, an unreadable folder, anything but a regular file (pipes, devices) and a name
// that is not UTF-8 are error targets.
std::vector<Target> collect_targets(const std::vector<std::string>& operands, bool recursive);

// True for names ending in ".dxf" in any letter case.
bool has_dxf_extension(const std::string& name);

}  // namespace vermark::cli
