#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "page_server.h"
#include "platform/http.h"
#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"
#include "text/text_reader.h"
#include "update/change_detection.h"
#include "update/download.h"
#include "update/startup_check.h"
#include "update/update_clock.h"
#include "update/update_schedule.h"
#include "util/path.h"

namespace vermark {
namespace {
namespace fs = std::filesystem;
using testing::fresh_folder;
using ::testing::HasSubstr;
using testing::read_bytes;
using testing::write_bytes;

using vermark::testing::narrow_path;

// The whole check against a plain HTTP server whose page the tests change between runs.
class UpdateCheck : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        root_ = new fs::path(fresh_folder("site"));
        server_ = new testing::PageServer(*root_);
    }
    static void TearDownTestSuite() {
        delete server_;
        delete root_;
    }
    void SetUp() override {
        ASSERT_TRUE(server_->running());
        platform::set_http_limits({2'000, 4'000, 1024 * 1024});
    }
    void TearDown() override {
        platform::set_http_limits(platform::HttpLimits{});
        set_update_clock({});
        std::error_code ignored;
        fs::remove(narrow_path(update_settings_path()), ignored);
        reset_update_setting_reader();
    }

    static void serve(std::string_view name, std::string_view body) {
        write_bytes(*root_ / name, body);
    }
    static std::u16string page(std::u16string_view name) {
        return u"//" + server_->host() + u"/" + std::u16string(name);
    }
    bool check(std::u16string_view page_name) {
        ::testing::internal::CaptureStderr();
        const bool changed = check_for_update(page_name);
        errors_ = ::testing::internal::GetCapturedStderr();
        return changed;
    }
    static void write_settings(std::string_view server_name, int count) {
        write_bytes(narrow_path(update_settings_path()),
                    "[IR_update]\r\nserver_name=" + std::string(server_name) +
                        "\r\npath_name=daily.htm\r\nupdate count=" + std::to_string(count) +
                        "\r\n");
        reset_update_setting_reader();
    }

    std::string errors_;
    static inline fs::path* root_ = nullptr;
    static inline testing::PageServer* server_ = nullptr;
};

TEST_F(UpdateCheck, FirstFetchIsNewThenSamePageIsNoUpdateThenAChangeCounts) {
    serve("news.htm", "<ul><li>1.0</li></ul>");
    EXPECT_FALSE(check(page(u"news.htm")));
    EXPECT_THAT(errors_, HasSubstr("new\n"));

    EXPECT_FALSE(check(page(u"news.htm")));
    EXPECT_THAT(errors_, HasSubstr("no update\n"));

    serve("news.htm", "<ul><li>1.0</li><li>1.1</li></ul>");
    EXPECT_TRUE(check(page(u"news.htm")));
    EXPECT_THAT(errors_, HasSubstr("changed\n"));
    const std::string listing = read_bytes(narrow_path(last_comparison_files().listing));
    EXPECT_THAT(listing, HasSubstr("<li>1.1</li>"));
}

TEST_F(UpdateCheck, ReformattedMarkupIsNoUpdate) {
    serve("layout.htm", "<div>a</div><div>b</div>");
    check(page(u"layout.htm"));
    serve("layout.htm", "<div>a</div>\r\n<div>b</div>\r\n");
    EXPECT_FALSE(check(page(u"layout.htm")));
    EXPECT_THAT(errors_, HasSubstr("no update\n"));
}

TEST_F(UpdateCheck, FailedFetchLeavesANoteAndCountsAsChanged) {
    serve("gone.htm", "<p>here</p>");
    check(page(u"gone.htm"));
    fs::remove(*root_ / "gone.htm");  // now the server answers 404 with its own page
    EXPECT_TRUE(check(page(u"gone.htm")));

    // A host nobody answers on: nothing comes, the note names page, local name and note file.
    const std::u16string nowhere = u"//127.0.0.1:9/quiet.htm";
    EXPECT_FALSE(check(nowhere));  // no previous copy: "new"
    const std::u16string note = change_extension(local_copy_path(nowhere), u"txt");
    const std::u16string text = read_text_file(note);
    EXPECT_TRUE(text.starts_with(nowhere + u"\r\n")) << platform::to_utf8(text);
    EXPECT_TRUE(text.ends_with(note + u"\r\n")) << platform::to_utf8(text);
    EXPECT_THAT(errors_, HasSubstr(platform::to_utf8(nowhere)));
    EXPECT_THAT(errors_, HasSubstr("new\n"));
}

TEST_F(UpdateCheck, StartUpOpensThePageOnlyAboveFiveAndOnlyWhenDue) {
    serve("daily.htm", "<p>today</p>");
    std::u16string opened;
    const PageOpener opener = [&](std::u16string_view address) {
        opened = address;
        return true;
    };
    const std::time_t day = std::time(nullptr);
    set_update_clock([&] { return day; });

    write_settings(platform::to_utf8(server_->host()), 6);
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(run_daily_update_check(opener));
    EXPECT_EQ(opened, u"https://" + server_->host() + u"/daily.htm");

    opened.clear();
    EXPECT_FALSE(run_daily_update_check(opener));  // the copy is from today
    EXPECT_EQ(opened, u"");

    set_update_clock([&] { return day + 86'400; });
    write_settings(platform::to_utf8(server_->host()), 5);
    EXPECT_FALSE(run_daily_update_check(opener));  // due again, but the count is not above 5
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(opened, u"");
}

std::size_t line_count(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A server that accepts and never answers, with the limits of each exchange as long as the
// program's own: only the download budget ends the wait.
class StalledServer : public UpdateCheck {
  protected:
    static void SetUpTestSuite() {
        stalled_ = new testing::PageServer(testing::PageServer::Stalling{});
    }
    static void TearDownTestSuite() { delete stalled_; }
    void SetUp() override {
        ASSERT_TRUE(stalled_->running());
        platform::set_http_limits(platform::HttpLimits{});
        set_download_budget(std::chrono::milliseconds(1'000));
    }
    void TearDown() override {
        set_download_budget(std::chrono::milliseconds(0));
        UpdateCheck::TearDown();
    }
    static inline testing::PageServer* stalled_ = nullptr;
};

TEST_F(StalledServer, BothAttemptsTogetherEndWithinTheBudget) {
    // HTTPS waits out the whole budget; HTTP is then not tried, so the server sees one
    // connection where two would have held the caller for each exchange's full limits.
    ::testing::internal::CaptureStderr();
    const std::u16string local = download_page(u"//" + stalled_->host() + u"/page.htm");
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(fs::exists(narrow_path(local)));
    EXPECT_EQ(line_count(stalled_->request_log()), 1u);
    EXPECT_THAT(errors, HasSubstr("\tNo time left for the request\n"));
}

TEST_F(StalledServer, AFailedCheckWaitsForTheNextDay) {
    const std::time_t day = std::time(nullptr);
    set_update_clock([&] { return day; });
    write_settings(platform::to_utf8(stalled_->host()), 3);
    const std::u16string page = update_page_name();
    const std::size_t before = line_count(stalled_->request_log());
    const auto run = [] {
        ::testing::internal::CaptureStderr();
        run_daily_update_check([](std::u16string_view) { return true; });
        ::testing::internal::GetCapturedStderr();
    };

    run();
    EXPECT_EQ(line_count(stalled_->request_log()), before + 1);
    EXPECT_FALSE(update_check_due(page));
    run();  // a later start the same day does not wait again
    EXPECT_EQ(line_count(stalled_->request_log()), before + 1);

    set_update_clock([&] { return day + 86'400; });  // nothing was fetched: due the next day
    EXPECT_TRUE(update_check_due(page));
    run();
    EXPECT_EQ(line_count(stalled_->request_log()), before + 2);
}

}  // namespace
}  // namespace vermark
