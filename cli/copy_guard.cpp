#include "cli/copy_guard.h"

#include <filesystem>
#include <system_error>

#include "platform/wide.h"

namespace vermark::cli {
namespace {

namespace fs = std::filesystem;

// One spelling per file, however it was named ("a.dxf", "./a.dxf", a link to it).
std::string key_of(const std::string& path) {
    std::error_code failure;
    const fs::path native = path_from_utf8(path);
    const fs::path canonical = fs::weakly_canonical(native, failure);
    return utf8_of(failure ? fs::absolute(native, failure).lexically_normal() : canonical);
}

std::string copy_of(const std::string& input) {
    return to_utf8(stamped_path_of(from_utf8(input)));
}

}  // namespace

CopyGuard::CopyGuard(const std::vector<Target>& targets) {
    for (const Target& target : targets) {
        if (target.error.empty()) inputs_.emplace(key_of(target.path), -1);
    }
}

std::string CopyGuard::conflict(const std::string& input) {
    std::string reason = clash(input);
    // A drawing that is skipped anyway writes nothing, so it replaces nothing.
    if (!reason.empty() && !inspect_dxf(from_utf8(input), true).eligible) reason.clear();
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
        copies_[key_of(to_utf8(result.output_path))] = input;
    }
}

bool CopyGuard::records_version(const std::string& key, const std::string& path) {
    int& known = inputs_[key];
    if (known < 0) known = inspect_dxf(from_utf8(path), true).has_acadver ? 1 : 0;
    return known == 1;
}

}  // namespace vermark::cli
