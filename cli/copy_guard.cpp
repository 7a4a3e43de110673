#include "cli/copy_guard.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "platform/wide.h"

namespace vermark::cli {
namespace {

namespace fs = std::filesystem;

std::string canonical_spelling(std::string_view path) {
    std::error_code failure;
    const fs::path native = platform::path_from_utf8(path);
    const fs::path canonical = fs::weakly_canonical(native, failure);
    return platform::utf8_of(failure ? fs::absolute(native, failure).lexically_normal()
                                     : canonical);
}

std::string copy_of(const std::string& input) {
    return platform::to_utf8(stamped_path_of(platform::from_utf8(input)));
}

}  // namespace

// One spelling per file, however it was named ("a.dxf", "./a.dxf", "sub/../a.dxf", a link to it
// or to its folder). Resolving a whole path costs dozens of calls, so each folder is resolved
// once per run and each spelling once; only the name itself is looked at per file, and a name
// that is a link (or "." or "..") is resolved in full.
std::string CopyGuard::key_of(const std::string& path, bool plain) {
    if (const auto known = keys_.find(path); known != keys_.end()) return known->second;
    const fs::path given = platform::path_from_utf8(path);
    const fs::path name = given.filename();
    std::error_code failure;
    // A link's key is what it points to, which may change; it is not kept.
    if (name.empty() || name == "." || name == ".." ||
        (!plain && fs::is_symlink(fs::symlink_status(given, failure))))
        return canonical_spelling(path);
    const std::string folder = platform::utf8_of(given.parent_path());
    auto known = folders_.find(folder);
    if (known == folders_.end())
        known = folders_.emplace(folder, canonical_spelling(folder.empty() ? "." : folder)).first;
    return keys_[path] = platform::utf8_of(platform::path_from_utf8(known->second) / name);
}

CopyGuard::CopyGuard(const std::vector<Target>& targets) {
    for (const Target& target : targets) {
        if (target.error.empty()) inputs_.emplace(key_of(target.path, target.plain), -1);
    }
}

std::string CopyGuard::conflict(const std::string& input) {
    std::string reason = clash(input);
    // A drawing that is skipped anyway writes nothing, so it replaces nothing.
    if (!reason.empty() && !inspect_dxf(platform::from_utf8(input), true).eligible) reason.clear();
    return reason;
}

std::string CopyGuard::clash(const std::string& input) {
    const std::string copy = copy_of(input);
    const std::string key = key_of(copy);
    const std::string input_key = key_of(input);
    if (key == input_key) return {};  // stamping refuses that itself
    if (const auto it = copies_.find(key); it != copies_.end() && key_of(it->second) != input_key) {
        return "the copy " + copy + " was already written from " + it->second;
    }
    if (inputs_.count(key) != 0 && !records_version(key, copy)) {
        return "the copy " + copy + " would replace an input without $ACADVER";
    }
    return {};
}

void CopyGuard::note(const std::string& input, const StampResult& result) {
    inputs_[key_of(input)] = result.refusal == DxfRefusal::version_recorded ? 1 : 0;
    if (result.outcome == StampOutcome::written) {
        copies_[key_of(platform::to_utf8(result.output_path))] = input;
    }
}

bool CopyGuard::order_free(const std::vector<Target>& targets) {
    std::set<std::string> copies;
    for (const Target& target : targets) {
        if (!target.error.empty()) continue;
        const std::string key = key_of(copy_of(target.path));
        if (inputs_.count(key) != 0 || !copies.insert(key).second) return false;
    }
    return true;
}

bool CopyGuard::records_version(const std::string& key, const std::string& path) {
    int& known = inputs_[key];
    if (known < 0) known = inspect_dxf(platform::from_utf8(path), true).has_acadver ? 1 : 0;
    return known == 1;
}

}  // namespace vermark::cli
