// Runs tests/update/servers/page_server.py on 127.0.0.1 for one test suite. The server stops
// when this object goes (its standard input closes) or after its lifetime, whichever is first.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vermark::testing {

class PageServer {
  public:
    // Plain HTTP, or HTTPS with the given certificate and key.
    explicit PageServer(const std::filesystem::path& root);
    // Accepts connections and never answers; each connection is one line of the request log.
    struct Stalling {};
    explicit PageServer(Stalling);
    PageServer(const std::filesystem::path& root, const std::filesystem::path& certificate,
               const std::filesystem::path& key);
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    bool running() const { return port_ > 0; }
    int port() const { return port_; }
    // "127.0.0.1:port", the way a server name with a port is written in the settings.
    std::u16string host() const;
    // The requests seen so far, one JSON line each.
    std::string request_log() const;

  private:
    void start(const std::vector<std::string>& extra_arguments);

    std::filesystem::path root_;
    std::filesystem::path log_;
    pid_t pid_ = -1;
    int stdin_fd_ = -1;
    int port_ = 0;
};

// A self-signed certificate for 127.0.0.1 and its key, made with openssl in `folder`.
// False when openssl failed.
bool make_loopback_certificate(const std::filesystem::path& folder);

}  // namespace vermark::testing
