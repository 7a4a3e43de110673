#include "platform/http.h"

#include <windows.h>

#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/http_text.h"
#include "platform/wide.h"
#include "platform/windows/win_native.h"

namespace vermark::platform {
namespace win = platform::win;
namespace {

HttpLimits g_limits;

class InternetHandle {
  public:
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle() {
        if (handle_) ::InternetCloseHandle(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    HINTERNET handle_;
};

// The service's own text for its error numbers lives in wininet.dll.
std::string error_text(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                             FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         ::GetModuleHandleW(L"wininet.dll"), error, 0,
                         reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string message;
    if (length > 0 && text) message = win::from_wide(std::wstring_view(text, length));
    if (text) ::LocalFree(text);
    while (!message.empty() &&
           (message.back() == u'\r' || message.back() == u'\n' || message.back() == u' '))
        message.pop_back();
    if (message.empty()) return "Internet error " + std::to_string(error);
    return to_utf8(message);
}

// The whole exchange's limit: the limits' own, or the request's when that is shorter.
long total_limit_ms(const HttpGet& request) {
    if (request.time_limit_ms > 0 && request.time_limit_ms < g_limits.total_timeout_ms)
        return request.time_limit_ms;
    return g_limits.total_timeout_ms;
}

void set_timeouts(HINTERNET session, long total_ms) {
    DWORD connect = static_cast<DWORD>(std::min(g_limits.connect_timeout_ms, total_ms));
    DWORD total = static_cast<DWORD>(total_ms);
    ::InternetSetOptionW(session, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    ::InternetSetOptionW(session, INTERNET_OPTION_SEND_TIMEOUT, &total, sizeof total);
    ::InternetSetOptionW(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &total, sizeof total);
}

HttpResult transport_failure(HttpResult result, std::string text) {
    result.failure = HttpFailure::transport;
    result.error_text = std::move(text);
    return result;
}

}  // namespace

HttpResult http_get(const HttpGet& request, HttpBodySink& sink) {
    HttpResult result;
    const std::wstring agent = win::to_wide(from_utf8(header_safe_text(request.user_agent)));
    InternetHandle session(
        ::InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) {
        result.failure = HttpFailure::not_sent;
        result.error_text = "No HTTP session";
        return result;
    }
    const long total_ms = total_limit_ms(request);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(total_ms);
    set_timeouts(session.get(), total_ms);
    const std::wstring server = win::to_wide(from_utf8(request.server));
    InternetHandle connection(::InternetConnectW(session.get(), server.c_str(),
                                                 static_cast<INTERNET_PORT>(request.port), nullptr,
                                                 nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return transport_failure(result, error_text(::GetLastError()));

    // No redirects, no cache, no cookies, no dialogs; certificates are checked.
    DWORD flags = INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_RELOAD |
                  INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                  INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
    if (request.secure) flags |= INTERNET_FLAG_SECURE;
    const std::wstring object = win::to_wide(from_utf8(escape_url_object(request.object)));
    InternetHandle http(::HttpOpenRequestW(connection.get(), L"GET", object.c_str(), L"HTTP/1.1",
                                           nullptr, nullptr, flags, 0));
    if (!http) return transport_failure(result, error_text(::GetLastError()));
    set_timeouts(http.get(), total_ms);  // Wine takes them from the request, not the session
    if (!::HttpSendRequestW(http.get(), nullptr, 0, nullptr, 0))
        return transport_failure(result, error_text(::GetLastError()));

    DWORD status = 0;
    DWORD status_size = sizeof status;
    if (!::HttpQueryInfoW(http.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                          &status_size, nullptr))
        return transport_failure(result, error_text(::GetLastError()));

    if (std::chrono::steady_clock::now() > deadline)
        return transport_failure(result, "The page took too long");
    result.opened = true;
    if (!sink.open()) return transport_failure(result, "The page could not be stored");
    std::vector<char> piece(http_piece_size);
    std::uint64_t received = 0;
    for (;;) {
        if (std::chrono::steady_clock::now() > deadline)
            return transport_failure(result, "The page took too long");
        DWORD got = 0;
        if (!::InternetReadFile(http.get(), piece.data(), static_cast<DWORD>(piece.size()), &got))
            return transport_failure(result, error_text(::GetLastError()));
        if (got == 0) break;
        received += got;
        if (received > g_limits.max_body_bytes)
            return transport_failure(
                result,
                "The page is larger than " + std::to_string(g_limits.max_body_bytes) + " bytes");
        if (!sink.write(piece.data(), got))
            return transport_failure(result, "The page could not be stored");
    }
    result.status = static_cast<long>(status);
    return result;
}

HttpLimits http_limits() {
    return g_limits;
}

void set_http_limits(const HttpLimits& limits) {
    g_limits = limits;
}

void set_extra_ca_file_for_testing(const std::string&) {
    // The system's certificate store decides here; tests trust their own authority through it.
}

}  // namespace vermark::platform
