#include "platform/command.h"

#include "platform/retry.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <limits>

extern char** environ;

namespace vermark::platform {
namespace {

// argv for exec: the strings stay owned by the caller's vectors.
std::vector<char*> make_argv(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// Only async-signal-safe calls between fork and exec.
[[noreturn]] void exec_detached_grandchild(char* const* argv) {
    if (::setsid() < 0) ::_exit(127);
    const pid_t grandchild = ::fork();
    if (grandchild != 0) ::_exit(grandchild < 0 ? 127 : 0);
    const int null_fd = ::open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
        ::dup2(null_fd, 0);
        ::dup2(null_fd, 1);
        ::dup2(null_fd, 2);
        if (null_fd > 2) ::close(null_fd);
    }
    ::execve(argv[0], argv, environ);
    ::_exit(127);
}

bool wait_for(pid_t pid, int& status) {
    while (true) {
        const pid_t done = ::waitpid(pid, &status, 0);
        if (done == pid) return true;
        if (done < 0 && errno != EINTR) return false;
    }
}

}  // namespace

bool start_detached(const std::string& program, const std::vector<std::string>& args) {
    auto argv = make_argv(program, args);
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) exec_detached_grandchild(argv.data());
    // The intermediate child ends at once; reaping it leaves no zombie behind.
    int status = 0;
    return wait_for(child, status) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

CommandRun run_to_file(const std::string& program, const std::vector<std::string>& args,
                       const std::string& output_path, int limit_ms) {
    CommandRun run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    auto argv = make_argv(program, args);
    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    run.started = true;

    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(limit_ms);
    int status = 0;
    // The deadline bounds the polls; the count only has to outlast it.
    const RetryPolicy polls{std::numeric_limits<int>::max(), std::chrono::milliseconds(5)};
    const bool finished = retry(polls, [&] {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return Attempt::succeeded;
        if (done < 0 && errno != EINTR) return Attempt::failed_for_good;
        if (clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            wait_for(pid, status);
            return Attempt::failed_for_good;
        }
        return Attempt::failed_for_now;
    });
    if (!finished) return run;
    run.finished = true;
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace vermark::platform
