#include "platform/isolated.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs.h"

namespace vermark::platform {
namespace {

constexpr char kProduced = '1';
constexpr char kNothing = '0';

// In the child: one marker byte, then the result. Leaves with _exit, so nothing of the parent's
// (stdio buffers, atexit handlers, the test framework) runs twice.
[[noreturn]] void run_child(int out, const std::function<std::optional<std::string>()>& work) {
    const std::optional<std::string> result = work();
    const char marker = result ? kProduced : kNothing;
    const bool sent = write_to_descriptor(out, &marker, 1) &&
                      (!result || write_to_descriptor(out, result->data(), result->size()));
    ::_exit(sent ? 0 : 1);
}

// In the parent: everything the child writes until it closes the pipe; false when `limit` ran out.
bool read_until_closed(int in, std::chrono::milliseconds limit, std::string& bytes) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char buffer[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd wait{in, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

bool exited_cleanly(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::optional<std::string> run_isolated(const std::function<std::optional<std::string>()>& work,
                                        std::chrono::milliseconds limit) {
    int pipe_ends[2];
    if (::pipe2(pipe_ends, O_CLOEXEC) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipe_ends[0]);
        ::close(pipe_ends[1]);
        return std::nullopt;
    }
    if (child == 0) {
        ::close(pipe_ends[0]);
        run_child(pipe_ends[1], work);
    }
    ::close(pipe_ends[1]);
    std::string bytes;
    const bool finished = read_until_closed(pipe_ends[0], limit, bytes);
    ::close(pipe_ends[0]);
    if (!finished) ::kill(child, SIGKILL);
    const bool clean = exited_cleanly(child);
    if (!finished || !clean || bytes.empty() || bytes.front() != kProduced) return std::nullopt;
    return bytes.substr(1);
}

}  // namespace vermark::platform
