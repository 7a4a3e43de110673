#include "platform/http.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/http_text.h"

namespace vermark::platform {
namespace {

HttpLimits g_limits;
std::string g_extra_ca_file;

void init_curl_once() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

// The request carries no header of its own beyond the agent: curl's default "Accept: */*" goes.
HeaderList request_headers() {
    return HeaderList(curl_slist_append(nullptr, "Accept:"));
}

std::string full_url(const HttpGet& request) {
    return std::string(request.secure ? "https://" : "http://") + request.server + ":" +
           std::to_string(request.port) + escape_url_object(request.object);
}

// Loopback is never sent through a proxy, whatever the environment says.
std::string no_proxy_list() {
    std::string list = "localhost,127.0.0.1,::1";
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        if (const char* value = std::getenv(name); value && *value) {
            list = std::string(value) + "," + list;
            break;
        }
    }
    return list;
}

struct Transfer {
    HttpBodySink& sink;
    std::uint64_t limit;
    std::uint64_t received = 0;
    bool opened = false;
    bool too_large = false;
    bool sink_failed = false;

    bool ensure_open() {
        if (!opened) {
            opened = true;
            if (!sink.open()) sink_failed = true;
        }
        return !sink_failed;
    }
};

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t total = size * count;
    if (!transfer.ensure_open()) return 0;
    if (transfer.received + total > transfer.limit) {
        transfer.too_large = true;
        return 0;
    }
    for (std::size_t done = 0; done < total; done += http_piece_size) {
        const std::size_t piece = std::min(http_piece_size, total - done);
        if (!transfer.sink.write(data + done, piece)) {
            transfer.sink_failed = true;
            return 0;
        }
    }
    transfer.received += total;
    return total;
}

void set_time_limits(CURL* curl, long time_limit_ms) {
    long total = g_limits.total_timeout_ms;
    if (time_limit_ms > 0 && time_limit_ms < total) total = time_limit_ms;
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, std::min(g_limits.connect_timeout_ms, total));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, total);
}

void set_options(CURL* curl, const std::string& url, const std::string& user_agent,
                 curl_slist* headers, const std::string& no_proxy, char* error_buffer,
                 Transfer& transfer, bool secure) {
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, user_agent.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!g_extra_ca_file.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, g_extra_ca_file.c_str());
    if (secure) curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, no_proxy.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(g_limits.max_body_bytes));
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, static_cast<long>(http_piece_size));
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error_buffer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
}

std::string failure_text(CURLcode code, const char* error_buffer, const Transfer& transfer,
                         std::uint64_t limit) {
    if (transfer.too_large || code == CURLE_FILESIZE_EXCEEDED)
        return "The page is larger than " + std::to_string(limit) + " bytes";
    if (transfer.sink_failed) return "The page could not be stored";
    if (error_buffer[0] != '\0') return error_buffer;
    return curl_easy_strerror(code);
}

}  // namespace

HttpResult http_get(const HttpGet& request, HttpBodySink& sink) {
    init_curl_once();
    HttpResult result;
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        result.failure = HttpFailure::not_sent;
        result.error_text = "No HTTP session";
        return result;
    }
    const std::string url = full_url(request);
    const std::string user_agent = header_safe_text(request.user_agent);
    const HeaderList headers = request_headers();
    const std::string no_proxy = no_proxy_list();
    char error_buffer[CURL_ERROR_SIZE] = {};
    Transfer transfer{sink, g_limits.max_body_bytes};
    set_options(curl.get(), url, user_agent, headers.get(), no_proxy, error_buffer, transfer,
                request.secure);
    set_time_limits(curl.get(), request.time_limit_ms);

    const CURLcode code = curl_easy_perform(curl.get());
    if (code == CURLE_OK) transfer.ensure_open();  // an empty body still makes an empty copy
    result.opened = transfer.opened;
    if (code != CURLE_OK || transfer.sink_failed) {
        result.failure = HttpFailure::transport;
        result.error_text = failure_text(code, error_buffer, transfer, transfer.limit);
        return result;
    }
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &result.status);
    return result;
}

HttpLimits http_limits() {
    return g_limits;
}

void set_http_limits(const HttpLimits& limits) {
    g_limits = limits;
}

void set_extra_ca_file_for_testing(const std::string& pem_path) {
    g_extra_ca_file = pem_path;
}

}  // namespace vermark::platform
