// Starting documents, addresses and programs without a shell.
#include "platform/launch.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/text_case.h"
#include "platform/wide.h"

extern char** environ;

namespace vermark::platform {
namespace {

constexpr std::string_view kDefaultOpener = "xdg-open";
constexpr std::size_t kShebangLimit = 255;
constexpr auto kOpenerWait = std::chrono::seconds(3);
constexpr auto kOpenerPoll = std::chrono::milliseconds(20);

std::u16string& opener_override() {
    static std::u16string program;
    return program;
}

bool verb_is(const LaunchRequest& r, std::initializer_list<std::u16string_view> verbs) {
    const std::u16string_view verb = r.verb ? std::u16string_view(*r.verb) : u"";
    if (verb.empty()) return true;  // no verb: the default action, which every target has
    for (std::u16string_view v : verbs) {
        if (equals_ignoring_ascii_case(verb, v)) return true;
    }
    return false;
}

// "https://x", "mailto:a@b": a scheme of two or more characters before the colon, so that a
// drive letter ("C:") does not count.
bool is_address(std::u16string_view text) {
    const std::size_t colon = text.find(u':');
    if (colon == std::u16string_view::npos || colon < 2) return false;
    auto letter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    if (!letter(text[0])) return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const char16_t c = text[i];
        if (!letter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.') {
            return false;
        }
    }
    return true;
}

std::optional<struct stat> status_of(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return st;
}

bool is_executable_file(const std::string& path) {
    const auto st = status_of(path);
    return st && S_ISREG(st->st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string parent_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A program name without a folder along PATH, as a shell would find it.
std::optional<std::string> search_path(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!folders.empty()) {
        const std::size_t colon = folders.find(':');
        // An empty entry means the working folder, as in a shell.
        const std::string folder(colon == 0 ? std::string_view(".") : folders.substr(0, colon));
        folders.remove_prefix(colon == std::string_view::npos ? folders.size() : colon + 1);
        const std::string candidate = folder + "/" + name;
        if (is_executable_file(candidate)) return candidate;
    }
    return std::nullopt;
}

// Where `file` is: a path as given (relative ones against the working folder), or for a bare
// name the working folder's entry, else a program along PATH.
std::string resolve(const std::string& file, const std::optional<std::string>& directory) {
    const bool relative = file.empty() || file.front() != '/';
    const std::string in_directory = relative && directory ? *directory + "/" + file : file;
    if (file.find('/') != std::string::npos || status_of(in_directory)) return in_directory;
    if (auto found = search_path(file)) return *found;
    return in_directory;
}

int value_of_errno(int error) {
    switch (error) {
        case ENOENT:
            return launch::kFileNotFound;
        case ENOTDIR:
        case ELOOP:
        case ENAMETOOLONG:
            return launch::kPathNotFound;
        case EACCES:
        case EPERM:
            return launch::kAccessDenied;
        case ENOMEM:
        case E2BIG:
            return launch::kOutOfMemory;
        case ENOEXEC:
            return launch::kBadFormat;
        case ETXTBSY:
            return launch::kSharingViolation;
        case ELIBACC:
        case ELIBBAD:
        case ELIBEXEC:
            return launch::kLibraryNotFound;
        case EAGAIN:
        case EMFILE:
        case ENFILE:
            return launch::kOutOfResources;
        default:
            return launch::kFailed;
    }
}

class SpawnSetup {
  public:
    SpawnSetup(bool hidden, const std::optional<std::string>& directory) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attributes_);
        // Its own session: the started program outlives us and ignores our terminal's signals.
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setsigdefault(&attributes_, &all);
        posix_spawnattr_setflags(
            &attributes_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        if (hidden) {
            posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
            posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0);
            posix_spawn_file_actions_addopen(&actions_, 2, "/dev/null", O_WRONLY, 0);
        }
        if (directory) posix_spawn_file_actions_addchdir_np(&actions_, directory->c_str());
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    const posix_spawn_file_actions_t* actions() const { return &actions_; }
    const posix_spawnattr_t* attributes() const { return &attributes_; }

  private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

struct Spawned {
    int value = launch::kStarted;  // the failure's launch value when nothing started
    pid_t pid = 0;
};

Spawned start_process(const std::string& program, const std::vector<std::string>& arguments,
                      bool hidden, const std::optional<std::string>& directory) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const SpawnSetup setup(hidden, directory);
    Spawned spawned;
    const int error = ::posix_spawn(&spawned.pid, program.c_str(), setup.actions(),
                                    setup.attributes(), argv.data(), environ);
    if (error != 0) spawned.value = value_of_errno(error);
    return spawned;
}

// The end of a process that runs on is collected in the background: it leaves no zombie.
void reap_in_background(pid_t pid) {
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

// Starts `program` (a path) with `arguments` and leaves it running.
int spawn(const std::string& program, const std::vector<std::string>& arguments, bool hidden,
          const std::optional<std::string>& directory) {
    const Spawned spawned = start_process(program, arguments, hidden, directory);
    if (spawned.value == launch::kStarted) reap_in_background(spawned.pid);
    return spawned.value;
}

// The opener's exit status as a launch value. xdg-open exits with 2 for a missing file, 3 when
// no tool to open it is installed and 4 when the tool found no application for it.
int value_of_opener_status(int status) {
    if (!WIFEXITED(status)) return launch::kFailed;
    switch (WEXITSTATUS(status)) {
        case 0:
            return launch::kStarted;
        case 2:
            return launch::kFileNotFound;
        case 3:
        case 4:
            return launch::kNoAssociation;
        default:
            return launch::kFailed;
    }
}

// The opener hands the target on and exits, and only its exit status tells whether anything
// opened. Some openers stay until the application they started ends: one still running after
// a short wait has started it.
int outcome_of_opener(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + kOpenerWait;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid) return value_of_opener_status(status);
        if (ended < 0 && errno != EINTR) return launch::kStarted;  // not ours to wait for
        std::this_thread::sleep_for(kOpenerPoll);
    }
    reap_in_background(pid);
    return launch::kStarted;
}

std::vector<std::string> arguments_of(const LaunchRequest& r) {
    std::vector<std::string> arguments;
    if (r.parameters) {
        for (const std::u16string& a : split_command_line(*r.parameters))
            arguments.push_back(to_utf8(a));
    }
    return arguments;
}

int open_with_desktop(const std::string& target, const LaunchRequest& r) {
    std::string opener = to_utf8(desktop_opener());
    if (opener.find('/') == std::string::npos) {
        const std::optional<std::string> found = search_path(opener);
        if (!found) return launch::kNoAssociation;
        opener = *found;
    }
    const Spawned spawned = start_process(opener, {target}, r.show == kShowHide, std::nullopt);
    if (spawned.value != launch::kStarted)
        return spawned.value == launch::kFileNotFound ? launch::kNoAssociation : spawned.value;
    return outcome_of_opener(spawned.pid);
}

// The interpreter line of a script that is not executable itself: "#!/bin/sh" or
// "#!/usr/bin/env python3" as the program and its one optional argument.
std::optional<std::vector<std::string>> interpreter_of(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string line(kShebangLimit, '\0');
    file.read(line.data(), static_cast<std::streamsize>(line.size()));
    line.resize(static_cast<std::size_t>(file.gcount()));
    if (line.rfind("#!", 0) != 0) return std::nullopt;
    line = line.substr(
        2, line.find('\n') == std::string::npos ? std::string::npos : line.find('\n') - 2);
    // A script saved with CR LF line ends: the CR belongs to no name.
    const std::size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos) return std::nullopt;
    const std::size_t end = line.find_first_of(" \t\r", start);
    std::vector<std::string> command{line.substr(start, end - start)};
    if (end != std::string::npos) {
        const std::size_t arg = line.find_first_not_of(" \t\r", end);
        const std::size_t arg_end = line.find_last_not_of(" \t\r");
        if (arg != std::string::npos) command.push_back(line.substr(arg, arg_end - arg + 1));
    }
    return command;
}

bool has_shell_extension(const std::string& path) {
    return path.size() > 3 && path.compare(path.size() - 3, 3, ".sh") == 0;
}

int start_program(const std::string& path, const LaunchRequest& r,
                  const std::optional<std::string>& directory) {
    std::vector<std::string> arguments = arguments_of(r);
    if (is_executable_file(path)) return spawn(path, arguments, r.show == kShowHide, directory);
    // The interpreter would start and only then fail to read the script.
    if (::access(path.c_str(), R_OK) != 0) return launch::kAccessDenied;
    std::vector<std::string> command =
        interpreter_of(path).value_or(std::vector<std::string>{"/bin/sh"});
    command.push_back(path);
    command.insert(command.end(), arguments.begin(), arguments.end());
    const std::string program = command.front();
    command.erase(command.begin());
    return spawn(program, command, r.show == kShowHide, directory);
}

// A relative name beginning with '-' would be read as an option by the opener or by the
// interpreter of a script: "./-x.sh" names the same file and is no option.
std::string as_operand(std::string path) {
    return !path.empty() && path.front() == '-' ? "./" + path : path;
}

int launch_file(const LaunchRequest& r) {
    const std::optional<std::string> directory =
        r.directory ? std::optional<std::string>(to_utf8(*r.directory)) : std::nullopt;
    const std::string path = as_operand(resolve(to_utf8(r.file), directory));
    const auto st = status_of(path);
    if (!st) {
        if (errno == EACCES) return launch::kAccessDenied;
        const auto parent = status_of(parent_of(path));
        return parent && S_ISDIR(parent->st_mode) ? launch::kFileNotFound : launch::kPathNotFound;
    }
    if (S_ISDIR(st->st_mode)) {
        return verb_is(r, {u"open", u"explore"}) ? open_with_desktop(path, r)
                                                 : launch::kNoAssociation;
    }
    // Only a regular file can be a script: reading a FIFO's first line would wait for a writer.
    const bool script = S_ISREG(st->st_mode) && !is_executable_file(path) &&
                        (interpreter_of(path) || has_shell_extension(path));
    if (is_executable_file(path) || script) {
        return verb_is(r, {u"open", u"runas"}) ? start_program(path, r, directory)
                                               : launch::kNoAssociation;
    }
    if (::access(path.c_str(), R_OK) != 0) return launch::kAccessDenied;
    return verb_is(r, {u"open", u"edit"}) ? open_with_desktop(path, r) : launch::kNoAssociation;
}

}  // namespace

int shell_execute(const LaunchRequest& r) {
    if (r.file.empty()) return launch::kFileNotFound;
    if (is_address(r.file) && !status_of(to_utf8(r.file))) {
        return verb_is(r, {u"open"}) ? open_with_desktop(to_utf8(r.file), r)
                                     : launch::kNoAssociation;
    }
    if (equals_ignoring_ascii_case(r.file, u"explorer.exe") && !status_of(to_utf8(r.file))) {
        // The Windows file manager's name: the desktop's file manager on the folder given, which
        // is the whole parameters text unless it is quoted.
        const std::u16string text = r.parameters.value_or(u"");
        const std::vector<std::u16string> quoted = split_command_line(text);
        const std::u16string folder =
            text.empty() ? u"." : (text.front() == u'"' && !quoted.empty() ? quoted.front() : text);
        LaunchRequest folder_request = r;
        folder_request.file = folder;
        folder_request.parameters.reset();
        folder_request.verb = u"explore";
        return launch_file(folder_request);
    }
    return launch_file(r);
}

void set_desktop_opener(std::u16string program) {
    opener_override() = std::move(program);
}

std::u16string desktop_opener() {
    return opener_override().empty() ? from_utf8(kDefaultOpener) : opener_override();
}

}  // namespace vermark::platform
