// Splits a web address into the pieces a connection needs: the service (plain or secure web),
// the server, the object asked for on it and the port.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vermark::platform {

inline constexpr int inet_service_http = 3;
inline constexpr int inet_service_https = 4107;  // 0x100B

struct ParsedUrl {
    int service = 0;
    std::u16string server;  // host name or address, brackets kept for IPv6
    std::u16string object;  // path and query on the server, always starting with "/"
    int port = 0;           // 80 or 443 unless written after the host
};

// "http://host:8080/a/b?x" -> {http, "host", "/a/b?x", 8080}. Only the http and https schemes
// (any letter case) are understood. Empty when the scheme is another, the "//" is missing, the
// server is empty or the port is not a number from 1 to 65535. User information before an "@"
// is dropped and a "#" fragment is never sent.
std::optional<ParsedUrl> parse_url(std::u16string_view url);

}  // namespace vermark::platform
