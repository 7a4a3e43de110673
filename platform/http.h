// One blocking HTTP GET whose body is handed on in small pieces, for the update check.
// Certificates are always verified and redirects are never followed; every exchange is bounded
// by a connect time-out, a total time-out and a body size limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vermark::platform {

struct HttpGet {
    bool secure = false;  // https, spoken as HTTP/1.1
    std::string server;   // host name or address as written in the URL (UTF-8)
    int port = 0;
    std::string object;      // path and query; characters a URL cannot carry are escaped here
    std::string user_agent;  // sent as User-Agent
    long time_limit_ms = 0;  // the whole exchange, connection included, when shorter than the
                             // limits' own; 0 for the limits alone
};

struct HttpLimits {
    long connect_timeout_ms = 5'000;
    long total_timeout_ms = 20'000;
    std::uint64_t max_body_bytes = 16u * 1024u * 1024u;
};

// Where the body goes. `open` is called once before the first piece, or after the exchange when
// the body is empty; `write` receives pieces of at most `http_piece_size` bytes. Returning false
// from either abandons the transfer.
class HttpBodySink {
  public:
    virtual ~HttpBodySink() = default;
    virtual bool open() = 0;
    virtual bool write(const char* data, std::size_t size) = 0;
};

inline constexpr std::size_t http_piece_size = 1024;

enum class HttpFailure {
    none,      // the server answered; the body (of any status) went to the sink
    not_sent,  // no request could be made at all
    transport  // name lookup, connection, certificate, time-out, size limit, sink refused
};

struct HttpResult {
    HttpFailure failure = HttpFailure::none;
    long status = 0;         // the server's status code when it answered
    std::string error_text;  // why the exchange failed (UTF-8)
    bool opened = false;     // the sink was opened, so something may have been written
};

HttpResult http_get(const HttpGet& request, HttpBodySink& sink);

// The limits every later exchange uses. Tests shorten them; the program keeps the defaults.
HttpLimits http_limits();
void set_http_limits(const HttpLimits& limits);

// Test-only: certificates signed by the CA in this PEM file are trusted in addition to the
// system's. An empty path returns to the system's trust alone.
void set_extra_ca_file_for_testing(const std::string& pem_path);

}  // namespace vermark::platform
