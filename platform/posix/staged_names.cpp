// Staged files that have a name: how they are named, and what becomes of those whose writer ends
// without committing or abandoning them (a signal removes them; a later run sweeps them).
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <ctime>
#include <mutex>
#include <random>
#include <set>
#include <vector>

#include "platform/posix/staged_names.h"
#include "platform/safe_replace.h"
#include "platform/wide.h"

namespace vermark::platform {
namespace {

// A staged file left behind is at least this old: its writer stamps it on every write.
constexpr std::time_t kStaleAfterSeconds = 60;
constexpr std::size_t kSuffixLength = 8;  // hex digits

std::string name_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The start of a name, short enough that the staged name stays within the file system's 255
// bytes whatever the target's length, and never cut inside a UTF-8 sequence.
std::string name_prefix(const std::string& name) {
    std::size_t keep = std::min<std::size_t>(32, name.size());
    while (keep > 0 && keep < name.size() &&
           (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep;
    return name.substr(0, keep);
}

std::string random_suffix() {
    static std::mutex mutex;
    static std::mt19937_64 generator(std::random_device{}() ^
                                     static_cast<std::uint64_t>(std::time(nullptr)) ^
                                     (static_cast<std::uint64_t>(::getpid()) << 32));
    std::lock_guard lock(mutex);
    const std::uint64_t value = generator();
    std::string text;
    for (std::size_t i = 0; i < kSuffixLength; ++i)
        text += "0123456789abcdef"[(value >> (4 * i)) & 0xF];
    return text;
}

bool is_staged_name(const std::string& name) {
    constexpr std::string_view ending = ".tmp";
    if (name.size() < 2 + kSuffixLength + ending.size() || name[0] != '.') return false;
    if (!name.ends_with(ending)) return false;
    const std::size_t digits = name.size() - ending.size() - kSuffixLength;
    if (name[digits - 1] != '.') return false;
    return std::all_of(name.begin() + digits, name.end() - ending.size(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool sweep_due(const std::string& folder) {
    static std::mutex mutex;
    static std::set<std::string> swept;
    std::lock_guard lock(mutex);
    return swept.insert(folder).second;
}

void sweep_folder(const std::string& folder) {
    DIR* listing = ::opendir(folder.c_str());
    if (!listing) return;
    const int folder_fd = ::dirfd(listing);
    std::vector<std::string> stale;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (!is_staged_name(name)) continue;
        const int fd = ::openat(folder_fd, name.c_str(),
                                O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) continue;
        struct stat info {};
        const bool ours = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                          info.st_uid == ::geteuid() && now - info.st_mtime >= kStaleAfterSeconds;
        // A writer holds its lock until it commits or abandons: a free lock means it is gone.
        if (ours && ::flock(fd, LOCK_EX | LOCK_NB) == 0) stale.push_back(name);
        ::close(fd);
    }
    for (const std::string& name : stale) ::unlinkat(folder_fd, name.c_str(), 0);
    ::closedir(listing);
}

// The named staged files in progress, for the termination handler: fixed slots, since a signal
// handler may neither allocate nor lock.
struct InFlight {
    std::atomic<bool> used{false};
    char path[4096] = {};
};
constexpr int kInFlightSlots = 16;
InFlight g_in_flight[kInFlightSlots];

void unlink_in_flight() {
    for (InFlight& entry : g_in_flight)
        if (entry.used.load() && entry.path[0] != 0) ::unlink(entry.path);
}

void remove_in_flight_and_end(int signal) {
    unlink_in_flight();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// "folder/.name.1a2b3c4d.tmp": hidden, and not matched by "*.dxf".
std::string staged_name_for(const std::string& target) {
    const std::string folder = folder_of(target);
    const std::string prefix = target.rfind('/') == std::string::npos ? "" : folder + "/";
    return prefix + "." + name_prefix(name_of(target)) + "." + random_suffix() + ".tmp";
}

void sweep_folder_once(const std::string& folder) {
    if (sweep_due(folder)) sweep_folder(folder);
}

int note_in_flight(const std::string& path) {
    if (path.size() >= sizeof g_in_flight[0].path) return -1;
    for (int i = 0; i < kInFlightSlots; ++i) {
        bool expected = false;
        if (!g_in_flight[i].used.load() &&
            g_in_flight[i].used.compare_exchange_strong(expected, true)) {
            g_in_flight[i].path[0] = 0;
            std::memcpy(g_in_flight[i].path, path.c_str(), path.size() + 1);
            return i;
        }
    }
    return -1;
}

void forget_in_flight(int slot) {
    if (slot >= 0) g_in_flight[slot].used.store(false);
}

void remove_staged_files_on_termination() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction handler {};
        handler.sa_handler = remove_in_flight_and_end;
        sigemptyset(&handler.sa_mask);
        ::sigaction(signal, &handler, nullptr);
    }
}

void remove_staged_files_in_flight() {
    unlink_in_flight();
}

void remove_stale_staged_files(std::u16string_view folder) {
    sweep_folder(native_path(folder));
}

}  // namespace vermark::platform
