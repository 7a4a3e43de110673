// The Windows side of the safe replacement: the new bytes go to a hidden staged file beside the
// target, which MoveFileExW puts in its place in one step. Windows has no unnamed files, so the
// staged file always has a name; it is opened without delete sharing, so a sweep by another
// program leaves it alone while it is written.
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <random>
#include <utility>
#include <vector>

#include "platform/fs.h"
#include "platform/new_file.h"
#include "platform/safe_replace.h"
#include "platform/wide.h"
#include "platform/windows/win_native.h"

namespace vermark::platform {
namespace {

constexpr std::size_t kSuffixLength = 8;  // hex digits
constexpr auto kStaleAfter = std::chrono::minutes(1);

std::u16string wide_of(const std::string& utf8) {
    return from_utf8(utf8);
}

std::size_t name_start(std::u16string_view path) {
    const std::size_t separator = path.find_last_of(u"\\/");
    return separator == std::u16string_view::npos ? 0 : separator + 1;
}

std::u16string random_suffix() {
    static std::mutex mutex;
    static std::mt19937_64 generator(
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::lock_guard lock(mutex);
    const std::uint64_t value = generator();
    std::u16string text;
    for (std::size_t i = 0; i < kSuffixLength; ++i)
        text.push_back(u"0123456789abcdef"[(value >> (4 * i)) & 0xF]);
    return text;
}

// "folder\.name.1a2b3c4d.tmp": hidden by its dot from listings of the user's files, and not
// matched by "*.dxf". The name's start is kept short and never cut inside a surrogate pair.
std::u16string staged_name_for(std::u16string_view target) {
    const std::size_t at = name_start(target);
    std::u16string_view name = target.substr(at);
    std::size_t keep = std::min<std::size_t>(32, name.size());
    if (keep < name.size() && keep > 0 && name[keep - 1] >= 0xD800 && name[keep - 1] <= 0xDBFF)
        --keep;
    return std::u16string(target.substr(0, at)) + u"." + std::u16string(name.substr(0, keep)) +
           u"." + random_suffix() + u".tmp";
}

bool is_staged_name(std::u16string_view name) {
    constexpr std::u16string_view ending = u".tmp";
    return name.size() >= 2 + kSuffixLength + ending.size() && name[0] == u'.' &&
           name.substr(name.size() - ending.size()) == ending;
}

bool is_read_only(std::u16string_view path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return win::attributes_of(path, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) &&
           !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::mutex swept_mutex;
std::vector<std::u16string> swept_folders;

void sweep_folder_once(const std::u16string& folder) {
    {
        std::lock_guard lock(swept_mutex);
        if (std::find(swept_folders.begin(), swept_folders.end(), folder) != swept_folders.end())
            return;
        swept_folders.push_back(folder);
    }
    remove_stale_staged_files(folder);
}

}  // namespace

// ---- StagedReplacement ----

StagedReplacement::~StagedReplacement() {
    abandon();
}

void StagedReplacement::fail(int error) {
    if (error_ == 0) error_ = error != 0 ? error : EIO;
}

int StagedReplacement::begin(std::u16string_view target, const ReplaceOptions& options) {
    abandon();
    error_ = 0;
    kept_target_ = false;
    options_ = options;
    if (target.empty()) return error_ = ENOENT;
    target_ = to_utf8(target);
    if (options.refuse_read_only && is_read_only(target)) return error_ = EACCES;
    const std::size_t at = name_start(target);
    sweep_folder_once(at == 0 ? std::u16string(u".") : std::u16string(target.substr(0, at)));
    const int result = stage_named(0);
    return result == 0 ? 0 : error_ = result;
}

int StagedReplacement::stage_unnamed(const std::string&, unsigned) {
    return EOPNOTSUPP;  // Windows files always have a name
}

int StagedReplacement::stage_named(unsigned) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::u16string name = staged_name_for(wide_of(target_));
        errno = 0;
        // CREATE_NEW: never open a file that is already there.
        const int fd = win::open_descriptor(name, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
        if (fd >= 0) {
            fd_ = fd;
            temp_path_ = to_utf8(name);
            if (!options_.narrow_like.empty())
                withhold_permissions_missing_from(name, options_.narrow_like);
            return 0;
        }
        if (errno != EEXIST) return errno != 0 ? errno : EIO;
    }
    return EEXIST;
}

bool StagedReplacement::write(const void* data, std::size_t size) {
    if (fd_ < 0 || error_ != 0) return false;
    if (size == 0) return true;
    errno = 0;
    if (!write_to_descriptor(fd_, data, size)) {
        fail(errno);
        return false;
    }
    return true;
}

bool StagedReplacement::write(std::span<const ByteView> pieces) {
    for (const ByteView piece : pieces) {
        if (!write(piece.data(), piece.size())) return false;
    }
    return fd_ >= 0 && error_ == 0;
}

int StagedReplacement::link_into_place() {
    return EOPNOTSUPP;  // only unnamed staged files need it
}

int StagedReplacement::commit() {
    if (fd_ < 0) return error_ != 0 ? error_ : EBADF;
    if (error_ == 0 && options_.flush == Flush::to_disk && ::_commit(fd_) != 0) fail(errno);
    const int fd = std::exchange(fd_, -1);
    errno = 0;
    if (!close_descriptor(fd)) fail(errno);
    if (error_ == 0 && must_keep_target()) fail(EEXIST);
    if (error_ == 0) {
        // MoveFileExW with MOVEFILE_WRITE_THROUGH; refuses a read-only target.
        errno = 0;
        if (!replace_with(wide_of(temp_path_), wide_of(target_))) fail(errno);
    }
    if (error_ == 0) {
        temp_path_.clear();
        return 0;
    }
    abandon();
    return error_;
}

void StagedReplacement::abandon() {
    if (fd_ >= 0) close_descriptor(std::exchange(fd_, -1));
    if (!temp_path_.empty()) remove_file(wide_of(temp_path_));
    temp_path_.clear();
}

// ---- whole files ----

int replace_file(std::u16string_view target, std::string_view bytes,
                 const ReplaceOptions& options) {
    StagedReplacement staged;
    if (const int error = staged.begin(target, options); error != 0) return error;
    staged.write(bytes.data(), bytes.size());
    return staged.commit();
}

std::optional<std::string> read_regular_file(std::u16string_view path, int& error) {
    error = 0;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (win::attributes_of(path, data) && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = EINVAL;
        return std::nullopt;
    }
    errno = 0;
    const int fd =
        win::open_descriptor(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (fd < 0) {
        error = errno != 0 ? errno : ENOENT;
        return std::nullopt;
    }
    if (::GetFileType(reinterpret_cast<HANDLE>(::_get_osfhandle(fd))) != FILE_TYPE_DISK) {
        ::_close(fd);
        error = EINVAL;
        return std::nullopt;
    }
    std::string bytes;
    char chunk[65536];
    for (;;) {
        const int got = ::_read(fd, chunk, sizeof chunk);
        if (got < 0) {
            error = errno;
            ::_close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    ::_close(fd);
    return bytes;
}

// ---- SideLock ----

SideLock::SideLock(std::u16string_view path) {
    if (path.empty()) return;
    const std::u16string lock = std::u16string(path) + u".lock";
    // Opened without sharing: the next program waits until this one closes it.
    for (int attempt = 0; attempt < 600; ++attempt) {
        errno = 0;
        fd_ = win::open_descriptor(lock, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
        if (fd_ >= 0 || !failure_may_pass(errno)) return;
        ::Sleep(50);
    }
}

SideLock::~SideLock() {
    if (fd_ >= 0) ::_close(fd_);
}

// ---- staged files left behind ----

void remove_staged_files_on_termination() {
    // A console's Ctrl-C ends the process through ExitProcess; what it leaves, the next
    // replacement in that folder sweeps.
}

void remove_staged_files_in_flight() {}

void remove_stale_staged_files(std::u16string_view folder) {
    const auto entries = read_folder(folder);
    if (!entries) return;
    std::u16string base(folder);
    if (!base.empty() && base.back() != u'\\' && base.back() != u'/') base += u'\\';
    const auto now = std::chrono::system_clock::now();
    for (const auto& entry : *entries) {
        if (!is_staged_name(entry.name)) continue;
        const std::u16string path = base + entry.name;
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!win::attributes_of(path, data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        const auto written =
            std::chrono::system_clock::from_time_t(win::unix_time(data.ftLastWriteTime));
        // A writer's open file has no delete sharing: removing it fails while it is in use.
        if (now - written > kStaleAfter) remove_file(path);
    }
}

}  // namespace vermark::platform
