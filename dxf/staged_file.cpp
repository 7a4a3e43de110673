#include "dxf/staged_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <random>
#include <string_view>

#include "platform/fs.h"
#include "platform/new_file.h"
#include "platform/path_separator.h"

namespace vermark {
namespace {

std::u16string random_suffix() {
    static std::mt19937_64 generator(
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
    const std::size_t slash = target.find_last_of(platform::kFileSystemSeparators);
    const std::size_t name_at = slash == std::u16string::npos ? 0 : slash + 1;
    return target.substr(0, name_at) + u"." +
           name_prefix(std::u16string_view(target).substr(name_at)) + u"." + random_suffix() +
           u".tmp";
}

}  // namespace

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
        // Exclusive: never open a file that is already there (another run's, or a planted link).
        fd_ = platform::open_for_writing(temp_path_, true);
        if (fd_ >= 0) {
            // Done while the file is still empty.
            if (!model.empty()) platform::withhold_permissions_missing_from(temp_path_, model);
            return 0;
        }
        error_ = errno != 0 ? errno : EIO;
        if (error_ != EEXIST) break;
    }
    temp_path_.clear();
    return error_;
}

bool StagedFile::write(ByteView bytes) {
    if (fd_ < 0 || error_ != 0) return false;
    if (bytes.empty()) return true;
    errno = 0;
    if (!platform::write_to_descriptor(fd_, bytes.data(), bytes.size())) {
        error_ = errno != 0 ? errno : EIO;
        return false;
    }
    return true;
}

int StagedFile::commit() {
    if (fd_ < 0) return error_ != 0 ? error_ : EBADF;
    errno = 0;
    const bool closed = platform::close_descriptor(fd_);
    fd_ = -1;
    if (!closed && error_ == 0) error_ = errno != 0 ? errno : EIO;
    if (error_ == 0) {
        errno = 0;
        if (platform::replace_with(temp_path_, target_)) {
            temp_path_.clear();
            return 0;
        }
        error_ = errno != 0 ? errno : EIO;
    }
    abandon();
    return error_;
}

void StagedFile::abandon() {
    if (fd_ >= 0) platform::close_descriptor(fd_);
    fd_ = -1;
    if (!temp_path_.empty()) {
        platform::remove_file(temp_path_);
        temp_path_.clear();
    }
}

bool is_same_file(const std::u16string& a, const std::u16string& b) {
    return platform::same_file(a, b);
}

}  // namespace vermark
