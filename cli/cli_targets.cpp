#include "cli/cli_targets.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
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
    return platform::to_utf8(platform::from_utf8(path)) == path;
}

Target file_target(std::string path, bool plain = false) {
    std::string error = is_utf8_name(path) ? "" : "the name is not UTF-8 (rename the file)";
    return {std::move(path), std::move(error), plain};
}

// Regular files (or links to them) named *.dxf in `folder` and below, links to folders not
// followed. A folder that cannot be read is reported, and the walk goes on beside it: drawings
// left out unseen must not pass for checked.
void walk_folder(const fs::path& folder, std::vector<Target>& found,
                 std::vector<Target>& unreadable) {
    std::error_code failure;
    fs::directory_iterator it(folder, failure);
    for (const fs::directory_iterator end; !failure && it != end; it.increment(failure)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            walk_folder(it->path(), found, unreadable);
        } else if (has_dxf_extension(platform::utf8_of(it->path().filename())) &&
                   it->is_regular_file(ignored)) {
            found.push_back(file_target(platform::utf8_of(it->path()), !it->is_symlink(ignored)));
        }
    }
    if (failure) unreadable.push_back({platform::utf8_of(folder), folder_error(failure)});
}

void walk(const std::string& folder, std::vector<Target>& targets) {
    std::vector<Target> found;
    walk_folder(platform::path_from_utf8(folder), found, targets);
    std::sort(found.begin(), found.end(),
              [](const Target& a, const Target& b) { return a.path < b.path; });
    targets.insert(targets.end(), std::make_move_iterator(found.begin()),
                   std::make_move_iterator(found.end()));
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
        const fs::file_status status = fs::status(platform::path_from_utf8(operand), failure);
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
