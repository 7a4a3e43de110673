#include "platform/safe_replace.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/posix/interrupted.h"
#include "platform/posix/staged_names.h"
#include "platform/posix/system_calls.h"
#include "platform/wide.h"

namespace vermark::platform {
namespace {

int open_call(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

constexpr SystemCalls kRealCalls = {
    open_call, ::write, ::writev, ::fsync, ::fchmod, ::linkat, ::rename, ::close,
};

bool proc_fd_usable() {
    static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
    return usable;
}

// Failures of O_TMPFILE that mean "not here", not "not possible".
bool unnamed_unsupported(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOENT;
}

// Only what group and others may do is narrowed: the owner keeps the usual rights (a read-only
// model gives a file the owner can still edit). Set at creation, so no later call is needed.
mode_t creation_mode(const ReplaceOptions& options) {
    const mode_t mode = options.new_file_mode;
    struct stat model {};
    if (options.narrow_like.empty() ||
        ::stat(native_path(options.narrow_like).c_str(), &model) != 0)
        return mode;
    return mode & ~((S_IRWXG | S_IRWXO) & ~model.st_mode);
}

}  // namespace

SystemCalls& system_calls() {
    static SystemCalls calls = kRealCalls;
    return calls;
}

const SystemCalls& real_system_calls() {
    return kRealCalls;
}

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
    target_ = native_path(target);
    if (target_.empty()) return error_ = ENOENT;
    const std::string folder = folder_of(target_);
    sweep_folder_once(folder);

    struct stat old {};
    const bool existed =
        (options.keep_mode || options.refuse_read_only) && ::stat(target_.c_str(), &old) == 0;
    if (existed && options.refuse_read_only && (old.st_mode & S_IWUSR) == 0) return error_ = EACCES;
    const bool keep = existed && options.keep_mode;
    const mode_t mode = keep ? (old.st_mode & 07777) : creation_mode(options);

    int result = proc_fd_usable() ? stage_unnamed(folder, mode) : EOPNOTSUPP;
    if (result != 0 && unnamed_unsupported(result)) result = stage_named(mode);
    if (result != 0) return error_ = result;
    // The umask may have taken bits that the kept mode has.
    if (keep && system_calls().fchmod(fd_, mode) != 0) {
        const int error = errno;
        abandon();
        return error_ = error;
    }
    return 0;
}

int StagedReplacement::stage_unnamed(const std::string& folder, unsigned mode) {
    const int fd = retry_interrupted([&] {
        return system_calls().open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    });
    if (fd < 0) return errno;
    fd_ = fd;
    return 0;
}

int StagedReplacement::stage_named(unsigned mode) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string name = staged_name_for(target_);
        // O_EXCL: never open a file that is already there (another run's, or a planted link).
        const int fd = retry_interrupted([&] {
            return system_calls().open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        });
        if (fd >= 0) {
            fd_ = fd;
            temp_path_ = name;
            // The writer's lock tells a later sweep that this file is in use.
            ::flock(fd_, LOCK_EX | LOCK_NB);
            in_flight_slot_ = note_in_flight(name);
            return 0;
        }
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

bool StagedReplacement::write(const void* data, std::size_t size) {
    if (fd_ < 0 || error_ != 0) return false;
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written =
            retry_interrupted([&] { return system_calls().write(fd_, bytes, size); });
        if (written <= 0) {
            fail(written < 0 ? errno : ENOSPC);
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool StagedReplacement::write(std::span<const ByteView> pieces) {
    if (fd_ < 0 || error_ != 0) return false;
    constexpr std::size_t kMostPieces = 8;  // callers splice a few pieces; more go in turns
    while (!pieces.empty()) {
        iovec vector[kMostPieces];
        int count = 0;
        std::size_t size = 0;
        for (; count < static_cast<int>(kMostPieces) && count < static_cast<int>(pieces.size());
             ++count) {
            const ByteView piece = pieces[static_cast<std::size_t>(count)];
            vector[count] = {const_cast<std::uint8_t*>(piece.data()), piece.size()};
            size += piece.size();
        }
        const ssize_t written =
            retry_interrupted([&] { return system_calls().writev(fd_, vector, count); });
        if (written < 0 || (written == 0 && size > 0)) {
            fail(written < 0 ? errno : ENOSPC);
            return false;
        }
        // Whole pieces written are done; a piece cut short goes on with plain writes.
        auto left = static_cast<std::size_t>(written);
        while (!pieces.empty() && left >= pieces.front().size()) {
            left -= pieces.front().size();
            pieces = pieces.subspan(1);
        }
        if (left > 0) {
            const ByteView rest = pieces.front().subspan(left);
            if (!write(rest.data(), rest.size())) return false;
            pieces = pieces.subspan(1);
        }
    }
    return true;
}

int StagedReplacement::link_into_place() {
    const std::string proc = "/proc/self/fd/" + std::to_string(fd_);
    const auto link_as = [&](const std::string& name) {
        return system_calls().linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(),
                                     AT_SYMLINK_FOLLOW) == 0
                   ? 0
                   : errno;
    };
    // No target yet: the file gets its final name at once.
    int error = link_as(target_);
    if (error != EEXIST) return error;
    if (must_keep_target()) return EEXIST;
    ::flock(fd_, LOCK_EX | LOCK_NB);  // named for a moment: not for a sweep to take
    for (int attempt = 0; attempt < 16 && (error == EEXIST); ++attempt) {
        temp_path_ = staged_name_for(target_);
        error = link_as(temp_path_);
    }
    if (error != 0) {
        temp_path_.clear();
        return error;
    }
    // Named for a moment: abandon() and the termination handler know the name.
    in_flight_slot_ = note_in_flight(temp_path_);
    if (system_calls().rename(temp_path_.c_str(), target_.c_str()) != 0) return errno;
    forget_in_flight(std::exchange(in_flight_slot_, -1));
    temp_path_.clear();
    return 0;
}

int StagedReplacement::commit() {
    if (fd_ < 0) return error_ != 0 ? error_ : EBADF;
    if (error_ == 0 && options_.flush == Flush::to_disk && system_calls().fsync(fd_) != 0)
        fail(errno);
    if (error_ == 0) {
        if (temp_path_.empty()) {
            if (const int error = link_into_place(); error != 0) fail(error);
        }
    }
    // Closing may report a failed delayed write: then the data is not known to be there.
    const int fd = std::exchange(fd_, -1);
    if (system_calls().close(fd) != 0 && error_ == 0) fail(errno);
    if (error_ == 0 && !temp_path_.empty() && must_keep_target()) fail(EEXIST);
    if (error_ == 0 && !temp_path_.empty() &&
        system_calls().rename(temp_path_.c_str(), target_.c_str()) != 0)
        fail(errno);
    if (error_ == 0) {
        forget_in_flight(std::exchange(in_flight_slot_, -1));
        temp_path_.clear();
        return 0;
    }
    abandon();
    return error_;
}

void StagedReplacement::abandon() {
    if (fd_ >= 0) system_calls().close(std::exchange(fd_, -1));
    if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
    forget_in_flight(std::exchange(in_flight_slot_, -1));
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
    const int fd = retry_interrupted([&] {
        return ::open(native_path(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    });
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = S_ISREG(info.st_mode) || info.st_mode == 0 ? errno : EINVAL;
        ::close(fd);
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t got = retry_interrupted([&] { return ::read(fd, chunk, sizeof chunk); });
        if (got < 0) {
            error = errno;
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return bytes;
}

// ---- SideLock ----

SideLock::SideLock(std::u16string_view path) {
    if (path.empty()) return;
    const std::string lock = native_path(path) + ".lock";
    fd_ =
        retry_interrupted([&] { return ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666); });
    if (fd_ < 0) return;
    if (retry_interrupted([&] { return ::flock(fd_, LOCK_EX); }) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

SideLock::~SideLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace vermark::platform
