#include "cli/cli_targets.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/wide.h"

namespace vermark::cli {
namespace {

namespace fs = std::filesystem;

std::string folder_error(const std::error_code& failure) {
    return "cannot read the folder: " + failure.message();
}

// The program names files in UTF-16 and hands them to the system as UTF-8, so a name in another
// encoding (Shift_JIS from an old archive) could not be opened: say so rather than "not found".
bool is_utf8_name(const std::string& path) {
    return to_utf8(from_utf8(path)) == path;
}

Target file_target(std::string path) {
    std::string error = is_utf8_name(path) ? "" : "the name is not UTF-8 (rename the file)";
    return {std::move(path), std::move(error)};
}

// Regular files (or links to them) named *.dxf under `folder`, links to folders not followed.
void walk(const std::string& folder, std::vector<Target>& targets) {
    std::error_code failure;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied,
                                        failure);
    if (failure) {
        targets.push_back({folder, folder_error(failure)});
        return;
    }
    std::vector<std::string> found;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(failure)) {
        if (failure) break;
        std::error_code ignored;
        if (has_dxf_extension(it->path().filename().string()) && it->is_regular_file(ignored)) {
            found.push_back(it->path().string());
        }
    }
    if (failure) targets.push_back({folder, folder_error(failure)});
    std::sort(found.begin(), found.end());
    for (std::string& path : found) targets.push_back(file_target(std::move(path)));
}

}  // namespace

bool has_dxf_extension(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return tail == ".dxf";
}

std::vector<Target> collect_targets(const std::vector<std::string>& operands, bool recursive) {
    std::vector<Target> targets;
    for (const std::string& operand : operands) {
        std::error_code failure;
        const fs::file_status status = fs::status(operand, failure);
        if (status.type() == fs::file_type::not_found) {
            targets.push_back({operand, "no such file or folder"});
        } else if (failure) {
            targets.push_back({operand, "cannot examine: " + failure.message()});
        } else if (fs::is_directory(status)) {
            if (recursive) {
                walk(operand, targets);
            } else {
                targets.push_back({operand, "is a folder (use -r to walk it)"});
            }
        } else if (fs::is_regular_file(status)) {
            targets.push_back(file_target(operand));
        } else {
            // A pipe or a device may never end: reading it would hang.
            targets.push_back({operand, "not a regular file"});
        }
    }
    return targets;
}

}  // namespace vermark::cli
