// The update check's HTTP exchange through WinINet, against a small server this process runs on
// 127.0.0.1 (the page server of the Linux tests is a POSIX child process).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/http.h"

namespace vermark {
namespace {

// Answers each connection with what `answer` makes of the request's head; an empty answer holds
// the connection open without a word until the server goes, as a hung server does.
class LoopbackServer {
  public:
    using Answer = std::function<std::string(const std::string& head)>;

    explicit LoopbackServer(Answer answer) : answer_(std::move(answer)) {
        WSADATA data{};
        ::WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~LoopbackServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        ::closesocket(listener_);
        ::WSACleanup();
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    std::vector<std::string> heads() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return heads_;
    }

  private:
    bool readable(SOCKET socket) const {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval wait{0, 50'000};
        return ::select(0, &set, nullptr, nullptr, &wait) > 0;
    }
    void serve() {
        std::vector<SOCKET> held;
        while (!stop_) {
            if (!readable(listener_)) continue;
            const SOCKET client = ::accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) continue;
            const std::string head = read_head(client);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                heads_.push_back(head);
            }
            const std::string reply = answer_(head);
            if (reply.empty()) {
                held.push_back(client);
                continue;
            }
            for (std::size_t sent = 0; sent < reply.size();) {
                const int n =
                    ::send(client, reply.data() + sent,
                           static_cast<int>(std::min<std::size_t>(reply.size() - sent, 65536)), 0);
                if (n <= 0) break;
                sent += static_cast<std::size_t>(n);
            }
            ::shutdown(client, SD_SEND);
            ::closesocket(client);
        }
        for (SOCKET socket : held) ::closesocket(socket);
    }
    std::string read_head(SOCKET client) {
        std::string head;
        char buffer[1024];
        // A client that says no more (one waiting for a TLS answer) gets the answer after a
        // second of silence.
        for (int idle = 0; head.find("\r\n\r\n") == std::string::npos && head.size() < 65536 &&
                           idle < 20 && !stop_;) {
            if (!readable(client)) {
                ++idle;
                continue;
            }
            const int n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        return head;
    }

    Answer answer_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> heads_;
};

std::string page(const std::string& status, const std::string& body,
                 const std::string& extra_headers = "") {
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n" + extra_headers + "\r\n" + body;
}

class MemorySink : public platform::HttpBodySink {
  public:
    bool open() override {
        ++opened;
        return true;
    }
    bool write(const char* data, std::size_t size) override {
        largest_piece = std::max(largest_piece, size);
        body.append(data, size);
        return true;
    }
    int opened = 0;
    std::size_t largest_piece = 0;
    std::string body;
};

class WindowsHttp : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = platform::http_limits();
        platform::set_http_limits({1'000, 2'000, 64 * 1024});
    }
    void TearDown() override { platform::set_http_limits(saved_); }
    static platform::HttpGet get(int port, std::string object, bool secure = false) {
        platform::HttpGet request;
        request.secure = secure;
        request.server = "127.0.0.1";
        request.port = port;
        request.object = std::move(object);
        request.user_agent = "Vermark test";
        return request;
    }
    platform::HttpLimits saved_;
};

TEST_F(WindowsHttp, APageArrivesInPiecesWithItsStatusAndTheAgent_OnWindows) {
    const std::string body(5000, 'p');
    LoopbackServer server([&](const std::string&) { return page("200 OK", body); });
    MemorySink sink;
    const platform::HttpResult result = platform::http_get(get(server.port(), "/a/b.htm"), sink);
    EXPECT_EQ(result.failure, platform::HttpFailure::none) << result.error_text;
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(sink.body, body);
    EXPECT_EQ(sink.opened, 1);
    EXPECT_LE(sink.largest_piece, platform::http_piece_size);
    ASSERT_EQ(server.heads().size(), 1u);
    const std::string head = server.heads().front();
    EXPECT_EQ(head.rfind("GET /a/b.htm HTTP/1.1\r\n", 0), 0u) << head;
    EXPECT_NE(head.find("\r\nUser-Agent: Vermark test\r\n"), std::string::npos) << head;
}

TEST_F(WindowsHttp, ARedirectIsNotFollowedAndAnErrorPageIsAPage_OnWindows) {
    LoopbackServer server([](const std::string& head) {
        if (head.rfind("GET /moved", 0) == 0)
            return page("302 Found", "moved", "Location: /elsewhere\r\n");
        return page("404 Not Found", "none here");
    });
    MemorySink moved;
    platform::HttpResult result = platform::http_get(get(server.port(), "/moved"), moved);
    EXPECT_EQ(result.failure, platform::HttpFailure::none) << result.error_text;
    EXPECT_EQ(result.status, 302);
    EXPECT_EQ(moved.body, "moved");
    EXPECT_EQ(server.heads().size(), 1u) << "the redirect was followed";

    MemorySink missing;
    result = platform::http_get(get(server.port(), "/missing"), missing);
    EXPECT_EQ(result.status, 404);
    EXPECT_EQ(missing.body, "none here");
}

TEST_F(WindowsHttp, AnAgentCannotAddHeaderLines_OnWindows) {
    LoopbackServer server([](const std::string&) { return page("200 OK", "x"); });
    platform::HttpGet request = get(server.port(), "/");
    request.user_agent = "Vermark\r\nX-Injected: 1";
    MemorySink sink;
    platform::http_get(request, sink);
    ASSERT_EQ(server.heads().size(), 1u);
    EXPECT_EQ(server.heads().front().find("\r\nX-Injected:"), std::string::npos);
}

TEST_F(WindowsHttp, APageOverTheSizeLimitIsAbandoned_OnWindows) {
    LoopbackServer server(
        [](const std::string&) { return page("200 OK", std::string(200'000, 'x')); });
    MemorySink sink;
    const platform::HttpResult result = platform::http_get(get(server.port(), "/big"), sink);
    EXPECT_EQ(result.failure, platform::HttpFailure::transport);
    EXPECT_LE(sink.body.size(), 64u * 1024u);
}

TEST_F(WindowsHttp, AServerThatNeverAnswersEndsInAFailure_OnWindows) {
    LoopbackServer server([](const std::string&) { return std::string(); });
    MemorySink sink;
    platform::HttpGet request = get(server.port(), "/silent");
    request.time_limit_ms = 500;  // shorter than the limits: the request's own limit holds
    const platform::HttpResult result = platform::http_get(request, sink);
    EXPECT_EQ(result.failure, platform::HttpFailure::transport);
    EXPECT_FALSE(result.error_text.empty());
    EXPECT_EQ(sink.opened, 0);
}

TEST_F(WindowsHttp, HttpsToAServerWithoutTlsAndAClosedPortFail_OnWindows) {
    LoopbackServer server([](const std::string&) { return page("200 OK", "plain"); });
    MemorySink sink;
    platform::HttpResult result = platform::http_get(get(server.port(), "/", true), sink);
    EXPECT_EQ(result.failure, platform::HttpFailure::transport);
    EXPECT_EQ(sink.body, "");

    result = platform::http_get(get(1, "/"), sink);  // nothing listens on port 1
    EXPECT_EQ(result.failure, platform::HttpFailure::transport);
}

}  // namespace
}  // namespace vermark
