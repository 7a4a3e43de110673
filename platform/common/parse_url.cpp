#include "platform/parse_url.h"

#include "platform/text_case.h"

namespace vermark::platform {
namespace {

std::optional<int> parse_port(std::u16string_view digits) {
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    int port = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        port = port * 10 + (c - u'0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

// Splits "host", "host:port", "[v6]" or "[v6]:port"; the default port applies when none is given.
bool split_host_port(std::u16string_view authority, int default_port, ParsedUrl& out) {
    std::u16string_view host = authority;
    std::u16string_view port_text;
    bool has_port = false;
    if (!authority.empty() && authority.front() == u'[') {
        const auto close = authority.find(u']');
        if (close == std::u16string_view::npos) return false;
        host = authority.substr(0, close + 1);
        const auto rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != u':') return false;
            port_text = rest.substr(1);
            has_port = true;
        }
    } else if (const auto colon = authority.rfind(u':'); colon != std::u16string_view::npos) {
        host = authority.substr(0, colon);
        port_text = authority.substr(colon + 1);
        has_port = true;
    }
    if (host.empty()) return false;
    out.server = std::u16string(host);
    if (!has_port) {
        out.port = default_port;
        return true;
    }
    const auto port = parse_port(port_text);
    if (!port) return false;
    out.port = *port;
    return true;
}

}  // namespace

std::optional<ParsedUrl> parse_url(std::u16string_view url) {
    ParsedUrl out;
    std::u16string_view rest;
    if (starts_with_ignoring_ascii_case(url, u"https://")) {
        out.service = inet_service_https;
        rest = url.substr(8);
    } else if (starts_with_ignoring_ascii_case(url, u"http://")) {
        out.service = inet_service_http;
        rest = url.substr(7);
    } else {
        return std::nullopt;
    }
    const auto fragment = rest.find(u'#');
    if (fragment != std::u16string_view::npos) rest = rest.substr(0, fragment);
    // Addresses built from Windows paths carry '\' between their parts; as the system's own URL
    // handling does, they count as '/' up to the query.
    std::u16string slashed(rest);
    for (char16_t& c : slashed) {
        if (c == u'?') break;
        if (c == u'\\') c = u'/';
    }
    rest = slashed;

    const auto path_start = rest.find_first_of(u"/?");
    std::u16string_view authority = rest.substr(0, path_start);
    if (const auto at = authority.rfind(u'@'); at != std::u16string_view::npos)
        authority = authority.substr(at + 1);
    const int default_port = out.service == inet_service_https ? 443 : 80;
    if (!split_host_port(authority, default_port, out)) return std::nullopt;

    // The object always starts with "/": a bare host or a query directly after it gets one.
    const std::u16string_view path =
        path_start == std::u16string_view::npos ? std::u16string_view() : rest.substr(path_start);
    out.object.assign(path.empty() || path.front() != u'/' ? 1 : 0, u'/');
    out.object.append(path);
    return out;
}

}  // namespace vermark::platform
