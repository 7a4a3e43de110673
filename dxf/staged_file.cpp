#include "dxf/staged_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <random>
#include <set>
#include <string_view>
#include <system_error>

#include "platform/wide.h"

namespace vermark {
namespace {

std::filesystem::path native(const std::u16string& path) {
    return std::filesystem::path(to_utf8(path));
}

std::u16string random_suffix() {
    // One per thread: stamps run on the dialog's worker threads, and a shared engine is a race.
    thread_local std::mt19937_64 generator(
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    const std::uint64_t value = generator();
    std::u16string text;
    for (int i = 0; i < 8; ++i) text.push_back(u"0123456789abcdef"[(value >> (4 * i)) & 0xF]);
    return text;
}

// The start of a name, short enough that the temporary name stays within the file system's
// 255 bytes whatever the target's length, and never cut inside a surrogate pair.
std::u16string name_prefix(std::u16string_view name) {
    constexpr std::size_t kKeep = 32;
    std::size_t keep = std::min(kKeep, name.size());
    if (keep < name.size() && keep > 0 && name[keep - 1] >= 0xD800 && name[keep - 1] <= 0xDBFF) {
        --keep;
    }
    return std::u16string(name.substr(0, keep));
}

// "folder/.name.1a2b3c4d.tmp": hidden, and not matched by "*.dxf".
std::u16string temp_name_for(const std::u16string& target) {
    const std::size_t slash = target.rfind(u'/');
    const std::size_t name_at = slash == std::u16string::npos ? 0 : slash + 1;
    return target.substr(0, name_at) + u"." +
           name_prefix(std::u16string_view(target).substr(name_at)) + u"." + random_suffix() +
           u".tmp";
}

// The temporary files being written now, for a program that has to leave before they are done.
struct UnfinishedFiles {
    std::mutex mutex;
    std::multiset<std::u16string> paths;
};

UnfinishedFiles& unfinished_files() {
    // Never destroyed: a worker may still finish its file while the program exits.
    static UnfinishedFiles* files = new UnfinishedFiles;
    return *files;
}

void track_unfinished(const std::u16string& path) {
    UnfinishedFiles& files = unfinished_files();
    std::lock_guard lock(files.mutex);
    files.paths.insert(path);
}

void untrack_unfinished(const std::u16string& path) {
    UnfinishedFiles& files = unfinished_files();
    std::lock_guard lock(files.mutex);
    if (auto at = files.paths.find(path); at != files.paths.end()) files.paths.erase(at);
}

}  // namespace

void remove_unfinished_staged_files() {
    UnfinishedFiles& files = unfinished_files();
    std::lock_guard lock(files.mutex);
    for (const std::u16string& path : files.paths) {
        std::error_code ignored;
        std::filesystem::remove(native(path), ignored);
    }
    files.paths.clear();
}

StagedFile::~StagedFile() {
    abandon();
}

int StagedFile::create(const std::u16string& target, const std::u16string& model) {
    abandon();
    target_ = target;
    error_ = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temp_path_ = temp_name_for(target);
        errno = 0;
        // "x": never open a file that is already there (another run's, or a planted link).
        file_ = std::fopen(to_utf8(temp_path_).c_str(), "wbx");
        if (file_) {
            track_unfinished(temp_path_);
            std::setvbuf(file_, nullptr, _IONBF, 0);
            if (!model.empty()) withhold_permissions_missing_from(model);
            return 0;
        }
        error_ = errno != 0 ? errno : EIO;
        if (error_ != EEXIST) break;
    }
    temp_path_.clear();
    return error_;
}

void StagedFile::withhold_permissions_missing_from(const std::u16string& model) {
    namespace fs = std::filesystem;
    std::error_code failure;
    const fs::perms allowed = fs::status(native(model), failure).permissions();
    if (failure || allowed == fs::perms::unknown) return;
    // Only what others may do is narrowed: the owner keeps the usual rights (a read-only input
    // gives a copy the owner can still edit). Done while the file is still empty.
    const fs::perms others = fs::perms::group_all | fs::perms::others_all;
    fs::permissions(native(temp_path_), others & ~allowed, fs::perm_options::remove, failure);
}

bool StagedFile::write(ByteView bytes) {
    if (!file_ || error_ != 0) return false;
    if (bytes.empty()) return true;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        error_ = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

int StagedFile::commit() {
    if (!file_) return error_ != 0 ? error_ : EBADF;
    errno = 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed && error_ == 0) error_ = errno != 0 ? errno : EIO;
    if (error_ == 0) {
        std::error_code failure;
        std::filesystem::rename(native(temp_path_), native(target_), failure);
        if (!failure) {
            untrack_unfinished(temp_path_);
            temp_path_.clear();
            return 0;
        }
        error_ = failure.value();
    }
    abandon();
    return error_;
}

void StagedFile::abandon() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!temp_path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(native(temp_path_), ignored);
        untrack_unfinished(temp_path_);
        temp_path_.clear();
    }
}

bool is_same_file(const std::u16string& a, const std::u16string& b) {
    std::error_code failure;
    return std::filesystem::equivalent(native(a), native(b), failure) && !failure;
}

}  // namespace vermark
