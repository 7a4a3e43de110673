#include "update/download.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "page_server.h"
#include "platform/http.h"
#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"
#include "update/u_agent.h"
#include "util/path.h"

namespace vermark {
namespace {
namespace fs = std::filesystem;
using testing::fresh_folder;
using ::testing::HasSubstr;
using testing::read_bytes;
using testing::write_bytes;

using vermark::testing::narrow_path;

TEST(SchemeRelativeUrl, RemovesEverySchemeAndEnsuresTwoLeadingSlashes) {
    EXPECT_EQ(scheme_relative_url(u"https://host/x"), u"//host/x");
    EXPECT_EQ(scheme_relative_url(u"//host/http:x"), u"//host/x");
    EXPECT_EQ(scheme_relative_url(u"/host/x"), u"//host/x");
    EXPECT_EQ(scheme_relative_url(u"host/x"), u"//host/x");
}

TEST(NumberedName, CountsUpFromZeroPastTakenNames) {
    const fs::path folder = fresh_folder("numbered");
    const std::u16string copy = platform::from_utf8((folder / "_.htm").string());
    EXPECT_EQ(numbered_name(copy, false), copy);  // free, and not forced
    write_bytes(folder / "_.htm", "page");
    EXPECT_EQ(file_name_of(numbered_name(copy, false)), u"_.000.htm");
    write_bytes(folder / "_.000.htm", "");
    EXPECT_EQ(file_name_of(numbered_name(copy, true)), u"_.001.htm");
    EXPECT_EQ(file_name_of(numbered_name(platform::from_utf8((folder / "noext").string()), true)),
              u"noext.000");
}

TEST(MoveFile, CreatesTheTargetFolderAndRespectsKeepExisting) {
    const fs::path folder = fresh_folder("move");
    write_bytes(folder / "a.txt", "A");
    const auto from = platform::from_utf8((folder / "a.txt").string());
    const auto to = platform::from_utf8((folder / "new" / "deeper" / "b.txt").string());
    EXPECT_TRUE(move_file(from, to, false));
    EXPECT_EQ(read_bytes(narrow_path(to)), "A");
    EXPECT_FALSE(fs::exists(folder / "a.txt"));
    EXPECT_FALSE(move_file(from, to, false));  // nothing left to move

    write_bytes(folder / "c.txt", "C");
    const auto other = platform::from_utf8((folder / "c.txt").string());
    EXPECT_FALSE(move_file(other, to, true));
    EXPECT_EQ(read_bytes(narrow_path(to)), "A");
    EXPECT_TRUE(move_file(other, to, false));  // replaces the target
    EXPECT_EQ(read_bytes(narrow_path(to)), "C");
}

TEST(LocalCopyPath, DefaultPageLandsUnderTheHostsFolderInTheTemporaryFolder) {
    const std::u16string local = local_copy_path(u"//update.vermark.example/r_Utile/download");
    EXPECT_TRUE(
        local.ends_with(u"/r_Utile.tmp/R_Pull/_/update_vermark_example/r_Utile/download/_.htm"))
        << platform::to_utf8(local);
    EXPECT_TRUE(narrow_path(local).string().starts_with(testing::sandbox().string()));
    EXPECT_TRUE(fs::is_directory(narrow_path(folder_of(local))));
    const auto permissions = fs::status(narrow_path(local).parent_path()).permissions();
    EXPECT_EQ(permissions & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
}

// Pages served over plain HTTP and over HTTPS with a certificate made for this run.
class DownloadFromServers : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        root_ = new fs::path(fresh_folder("pages"));
        write_bytes(*root_ / "page.htm", "<html>hello</html>");
        write_bytes(*root_ / "again.htm", "<html>again</html>");
        write_bytes(*root_ / "empty.htm", "");
        write_bytes(*root_ / "large.htm", std::string(100'000, 'L'));
        const fs::path certificates = fresh_folder("certificates");
        certificate_ok_ = testing::make_loopback_certificate(certificates);
        http_ = new testing::PageServer(*root_);
        if (certificate_ok_)
            https_ = new testing::PageServer(*root_, certificates / "cert.pem",
                                             certificates / "key.pem");
        ca_file_ = new std::string((certificates / "cert.pem").string());
    }
    static void TearDownTestSuite() {
        delete http_;
        delete https_;
        delete root_;
        delete ca_file_;
    }
    void SetUp() override {
        ASSERT_TRUE(http_->running());
        ASSERT_TRUE(certificate_ok_ && https_->running());
        platform::set_http_limits({2'000, 4'000, 64 * 1024});
        platform::set_extra_ca_file_for_testing(*ca_file_);
        user_agent_text();  // its first build reports on standard error once per run
    }
    void TearDown() override {
        platform::set_http_limits(platform::HttpLimits{});
        platform::set_extra_ca_file_for_testing("");
    }

    static std::u16string page_on(const testing::PageServer& server, std::u16string_view path) {
        return u"//" + server.host() + std::u16string(path);
    }

    // Runs download_page and returns what it wrote to standard error.
    static std::string download(std::u16string_view page, std::u16string& local) {
        ::testing::internal::CaptureStderr();
        local = download_page(page);
        return ::testing::internal::GetCapturedStderr();
    }

    static inline fs::path* root_ = nullptr;
    static inline testing::PageServer* http_ = nullptr;
    static inline testing::PageServer* https_ = nullptr;
    static inline std::string* ca_file_ = nullptr;
    static inline bool certificate_ok_ = false;
};

TEST_F(DownloadFromServers, HttpsFailureFallsBackToHttp) {
    std::u16string local;
    const std::string errors = download(page_on(*http_, u"/page.htm"), local);
    EXPECT_EQ(read_bytes(narrow_path(local)), "<html>hello</html>");
    // The failed HTTPS attempt names the server and port.
    EXPECT_THAT(errors, HasSubstr("127.0.0.1\t" + std::to_string(http_->port()) + "\t"));
    const std::string requests = http_->request_log();
    EXPECT_THAT(requests, HasSubstr("\"path\": \"/page.htm\""));
    EXPECT_THAT(requests, HasSubstr(platform::to_utf8(user_agent_text())));
}

TEST_F(DownloadFromServers, HttpsWithATrustedCertificateSpeaksHttp11) {
    std::u16string local;
    const std::string errors = download(page_on(*https_, u"/page.htm"), local);
    EXPECT_EQ(read_bytes(narrow_path(local)), "<html>hello</html>");
    EXPECT_EQ(errors, "");
    EXPECT_THAT(https_->request_log(), HasSubstr("\"version\": \"HTTP/1.1\""));
    // Nothing beyond the host and the agent: no "Accept" either.
    EXPECT_THAT(https_->request_log(), HasSubstr("\"headers\": [\"Host\", \"User-Agent\"]"));
}

TEST_F(DownloadFromServers, UntrustedCertificateIsRefused) {
    platform::set_extra_ca_file_for_testing("");
    std::u16string local;
    const std::string errors = download(page_on(*https_, u"/page.htm"), local);
    EXPECT_FALSE(fs::exists(narrow_path(local)));
    EXPECT_THAT(errors, HasSubstr("127.0.0.1\t" + std::to_string(https_->port()) + "\t"));
}

TEST_F(DownloadFromServers, PreviousCopyIsMovedAsideToTheNextNumber) {
    std::u16string local;
    for (int run = 0; run < 3; ++run) download(page_on(*https_, u"/again.htm"), local);
    const fs::path folder = narrow_path(folder_of(local));
    EXPECT_EQ(read_bytes(folder / "again.000.htm"), "<html>again</html>");
    EXPECT_EQ(read_bytes(folder / "again.001.htm"), "<html>again</html>");
    EXPECT_FALSE(fs::exists(folder / "again.002.htm"));
    EXPECT_EQ(read_bytes(narrow_path(local)), "<html>again</html>");
}

TEST_F(DownloadFromServers, EmptyBodyCountsAsNothingAndIsKeptUnderTheNextNumber) {
    std::u16string local;
    download(page_on(*https_, u"/empty.htm"), local);
    // HTTPS gave an empty file; the HTTP attempt moved it aside before failing on the TLS port.
    EXPECT_FALSE(fs::exists(narrow_path(local)));
    const fs::path kept = narrow_path(folder_of(local)) / "empty.000.htm";
    ASSERT_TRUE(fs::exists(kept));
    EXPECT_EQ(fs::file_size(kept), 0u);
}

TEST_F(DownloadFromServers, ErrorPagesAreStoredLikeAnyPage) {
    std::u16string local;
    download(page_on(*https_, u"/missing.htm"), local);
    EXPECT_EQ(read_bytes(narrow_path(local)), "<html>not found</html>");
}

TEST_F(DownloadFromServers, ServerThatNeverAnswersEndsInATimeOut) {
    platform::set_http_limits({1'000, 1'500, 64 * 1024});
    std::u16string local;
    const std::string errors = download(page_on(*http_, u"/silent/page.htm"), local);
    EXPECT_FALSE(fs::exists(narrow_path(local)));
    EXPECT_THAT(errors, HasSubstr("timed out"));
}

TEST_F(DownloadFromServers, PageOverTheSizeLimitIsAbandoned) {
    for (const char16_t* path : {u"/large.htm", u"/big/100000"}) {  // with and without a length
        std::u16string local;
        const std::string errors = download(page_on(*https_, path), local);
        EXPECT_FALSE(fs::exists(narrow_path(local))) << platform::to_utf8(path);
        EXPECT_THAT(errors, HasSubstr("larger than 65536 bytes")) << platform::to_utf8(path);
    }
}

TEST_F(DownloadFromServers, AgentTextCannotAddHeaderLines) {
    struct Discard : platform::HttpBodySink {
        bool open() override { return true; }
        bool write(const char*, std::size_t size) override {
            return size <= platform::http_piece_size;
        }
    } sink;
    platform::HttpGet request;
    request.server = "127.0.0.1";
    request.port = http_->port();
    request.object = "/page.htm?agent";
    request.user_agent = "Vermark\r\nX-Injected: 1";
    const platform::HttpResult result = platform::http_get(request, sink);
    EXPECT_EQ(result.failure, platform::HttpFailure::none);
    EXPECT_EQ(result.status, 200);
    EXPECT_THAT(http_->request_log(), HasSubstr("\"agent\": \"Vermark  X-Injected: 1\""));
}

TEST_F(DownloadFromServers, UnparsableAddressIsReportedAndNothingIsWritten) {
    const fs::path folder = fresh_folder("unparsable");
    const std::u16string local = platform::from_utf8((folder / "x.htm").string());
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(fetch_url(u"http:", u"//127.0.0.1:99999/x", local));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Failed AfxParseURL |http://127.0.0.1:99999/x\n");
    EXPECT_FALSE(fs::exists(folder / "x.htm"));
}

}  // namespace
}  // namespace vermark
