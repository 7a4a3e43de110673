#include "page_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "platform/wide.h"
#include "support/sandbox.h"

extern char** environ;

namespace vermark::testing {
namespace fs = std::filesystem;

namespace {

constexpr int kStartWaitMs = 10'000;
constexpr const char* kLifetimeSeconds = "120";

fs::path server_script() {
    fs::path source = source_dir();
    if (source.empty()) source = fs::path(__FILE__).parent_path().parent_path().parent_path();
    return source / "tests" / "update" / "servers" / "page_server.py";
}

std::vector<char*> argv_of(std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    return argv;
}

// Reads the first line the server prints (its port), waiting a bounded time.
int read_port(int fd) {
    std::string line;
    for (int waited = 0; waited < kStartWaitMs;) {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, 100) <= 0) {
            waited += 100;
            continue;
        }
        char c = 0;
        if (::read(fd, &c, 1) != 1) return 0;
        if (c == '\n') return std::atoi(line.c_str());
        line.push_back(c);
    }
    return 0;
}

}  // namespace

PageServer::PageServer(const fs::path& root) : root_(root) {
    start({});
}

PageServer::PageServer(Stalling) : root_(fresh_folder("stalling")) {
    start({"--stall"});
}

PageServer::PageServer(const fs::path& root, const fs::path& certificate, const fs::path& key)
    : root_(root) {
    start({"--tls", certificate.string(), key.string()});
}

void PageServer::start(const std::vector<std::string>& extra_arguments) {
    log_ = fresh_folder("server-log") / "requests.jsonl";
    std::vector<std::string> arguments{
        "python3",    server_script().string(), "--root", root_.string(), "--log", log_.string(),
        "--lifetime", kLifetimeSeconds};
    arguments.insert(arguments.end(), extra_arguments.begin(), extra_arguments.end());
    int to_server[2];
    int from_server[2];
    if (::pipe2(to_server, O_CLOEXEC) != 0) return;
    if (::pipe2(from_server, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, to_server[0], 0);
    posix_spawn_file_actions_adddup2(&actions, from_server[1], 1);
    auto argv = argv_of(arguments);
    const int spawned = ::posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(to_server[0]);
    ::close(from_server[1]);
    stdin_fd_ = to_server[1];
    if (spawned != 0) {
        pid_ = -1;
        ::close(from_server[0]);
        return;
    }
    port_ = read_port(from_server[0]);
    ::close(from_server[0]);
}

PageServer::~PageServer() {
    if (stdin_fd_ >= 0) ::close(stdin_fd_);
    if (pid_ <= 0) return;
    int status = 0;
    for (int waited = 0; waited < 5'000; waited += 10) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) return;
        ::usleep(10'000);
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
}

std::u16string PageServer::host() const {
    return platform::from_utf8("127.0.0.1:" + std::to_string(port_));
}

std::string PageServer::request_log() const {
    return read_bytes(log_);
}

bool make_loopback_certificate(const fs::path& folder) {
    std::vector<std::string> arguments{"openssl",
                                       "req",
                                       "-x509",
                                       "-newkey",
                                       "ec",
                                       "-pkeyopt",
                                       "ec_paramgen_curve:prime256v1",
                                       "-nodes",
                                       "-keyout",
                                       (folder / "key.pem").string(),
                                       "-out",
                                       (folder / "cert.pem").string(),
                                       "-days",
                                       "2",
                                       "-subj",
                                       "/CN=127.0.0.1",
                                       "-addext",
                                       "subjectAltName=IP:127.0.0.1"};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    auto argv = argv_of(arguments);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, "openssl", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && fs::exists(folder / "cert.pem");
}

}  // namespace vermark::testing
