#include "update/change_detection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "platform/file_moves.h"
#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"
#include "support/wine.h"
#include "text/text_reader.h"
#include "update/update_clock.h"
#include "update/update_folders.h"
#include "util/deferred_file_ops.h"

namespace vermark {
namespace {
namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing::read_bytes;

using vermark::testing::narrow_path;

TEST(DropBlankLines, KeepsLinesOfBlanksAndEndsEveryLine) {
    EXPECT_EQ(drop_blank_lines(u"a\r\n\r\n \r\nb"), u"a\r\n \r\nb\r\n");
    EXPECT_EQ(drop_blank_lines(u""), u"\r\n");
    EXPECT_EQ(drop_blank_lines(u"\r\n\r\n"), u"\r\n");
}

TEST(SamePageText, IgnoresEmptyLinesAndTheSecureScheme) {
    EXPECT_TRUE(same_page_text(u"<a>\r\n\r\n<b>", u"<a>\r\n<b>\r\n"));
    EXPECT_TRUE(same_page_text(u"see https://x/", u"see http://x/"));
    EXPECT_FALSE(same_page_text(u"<a>", u"<a> "));
}

TEST(QuoteForCommand, QuotesOnlyTextThatNeedsItOnce) {
    EXPECT_EQ(quote_for_command(u"/tmp/a.chk"), u"/tmp/a.chk");
    EXPECT_EQ(quote_for_command(u"/tmp/my docs/a.chk"), u"\"/tmp/my docs/a.chk\"");
    EXPECT_EQ(quote_for_command(u"'/tmp/my docs/a.chk'"), u"'/tmp/my docs/a.chk'");
    EXPECT_EQ(quote_for_command(u"a,b"), u"\"a,b\"");
}

TEST(BatchFilePath, FlattensTheCommandIntoOneShortName) {
    const std::u16string path = batch_file_path(u"where diff > \"/t/x y/diff.chk\" 2> /t/diff.err");
    const std::u16string name = file_name_of(path);
    EXPECT_EQ(name,
              u"where_diff___t_x_y_diff.chk__2_t_diff.err" + std::u16string(kScriptExtension));
    EXPECT_TRUE(path.starts_with(dated_tool_folder(u"cmd_bat")));
    EXPECT_EQ(file_name_of(batch_file_path(u"where a|b?*<&^%!\t")),
              u"where_a_b________" + std::u16string(kScriptExtension));
    const std::u16string long_name = batch_file_path(u"where " + std::u16string(80, u'n'));
    EXPECT_EQ(file_name_of(long_name).size(), 50u + kScriptExtension.size());
}

#ifndef _WIN32
TEST(WhereCommand, FindsProgramsOnThePathAndAnswersEmptyOtherwise) {
    const std::u16string shell = where_command(u" sh ");
    ASSERT_FALSE(shell.empty());
    EXPECT_TRUE(shell.ends_with(u"/sh"));
    EXPECT_TRUE(fs::exists(narrow_path(shell)));
    EXPECT_EQ(where_command(u"no-such-program-vermark"), u"");
    EXPECT_EQ(where_command(u"   "), u"");
    EXPECT_TRUE(command_available(u"sh"));
    // A path that exists is its own answer; no lookup runs.
    EXPECT_EQ(where_command(u"/bin/sh"), u"/bin/sh");
}

TEST(WhereCommand, ShellCharactersInTheNameStayInertArguments) {
    const fs::path marker = testing::sandbox() / "injected";
    EXPECT_EQ(where_command(u"x;touch " + platform::from_utf8(marker.string())), u"");
    EXPECT_EQ(where_command(u"$(touch " + platform::from_utf8(marker.string()) + u")"), u"");
    EXPECT_FALSE(fs::exists(marker));
}
#endif

class CompareWithFc : public ::testing::Test {
  protected:
    void SetUp() override { get_arv(); }  // the program's path is reported once per run
    bool compare(std::u16string_view old_text, std::u16string_view new_text) {
        ::testing::internal::CaptureStderr();
        const bool same = compare_with_fc(old_text, new_text);
        errors_ = ::testing::internal::GetCapturedStderr();
        return same;
    }
    static std::u16string file_name_of_last() {
        const std::u16string path = last_comparison_files().old_copy;
        return file_name_of(path);
    }
    std::string errors_;
};

TEST_F(CompareWithFc, LineBreaksAroundTagsAreNoUpdate) {
    EXPECT_TRUE(compare(u"<div>a</div><div>b</div>", u"<div>a</div>\r\n<div>b</div>\r\n\r\n"));
    EXPECT_EQ(errors_, "no update\n");
    const ComparisonFiles files = last_comparison_files();
    EXPECT_FALSE(fs::exists(narrow_path(files.listing)));
    // The normalised copy is UTF-16 with one mark, without empty lines.
    EXPECT_EQ(read_text_file(files.new_copy), u"<div>a</div>\r\n<div>b</div>\r\n");
    EXPECT_EQ(read_bytes(narrow_path(files.new_copy)).substr(0, 2), "\xFF\xFE");
}

#ifndef _WIN32
TEST_F(CompareWithFc, ChangedPageLeavesAListingAndCountsUpItsNames) {
    EXPECT_TRUE(compare(u"<p>same</p>", u"<p>same</p>"));
    const std::u16string first = file_name_of_last();
    EXPECT_FALSE(compare(u"<li>one</li><li>two</li>", u"<li>one</li><li>three</li>"));
    EXPECT_EQ(errors_, "changed\n");
    const ComparisonFiles files = last_comparison_files();
    const std::string listing = read_bytes(narrow_path(files.listing));
    EXPECT_THAT(listing, HasSubstr("<li>two</li>"));
    EXPECT_THAT(listing, HasSubstr("<li>three</li>"));
    // Names are "HHMM_" + a two-digit run counter + o, n or _.
    const std::u16string second = file_name_of_last();
    EXPECT_EQ(std::stoi(platform::to_utf8(second.substr(5, 2))),
              std::stoi(platform::to_utf8(first.substr(5, 2))) + 1);
    EXPECT_TRUE(second.ends_with(u"o.txt"));
    EXPECT_TRUE(fs::exists(narrow_path(files.old_copy).parent_path() /
                           (platform::to_utf8(second.substr(0, 8)) + ".utf_8.txt")));
}
#endif

TEST_F(CompareWithFc, DayFoldersOlderThanTenDaysGoAtExit) {
    const fs::path program_folder = narrow_path(program_temp_folder());
    // Through the program's own call: the C++ library cannot set a folder's time on Windows.
    const auto age = [](const fs::path& path, int days) {
        ASSERT_TRUE(platform::set_modification_time(platform::from_utf8(path.string()),
                                                    std::time(nullptr) - 86400 * days));
    };
    const auto day_folder = [&](const std::string& name, int days) {
        const fs::path folder = program_folder / name;
        testing::write_bytes(folder / "0000_01o.txt", "x");
        testing::write_bytes(folder / "0000_01o.utf_8.txt", "x");
        age(folder / "0000_01o.txt", days);
        age(folder, days);  // last: adding files renews it
        return folder;
    };
    const fs::path old_day = day_folder("20200101", 11);
    const fs::path recent_day = day_folder("20200120", 9);
    const fs::path not_a_day = day_folder("keep-me", 30);

    compare(u"<p>a</p>", u"<p>a</p>");
    deferred_file_ops().run();
    EXPECT_FALSE(fs::exists(old_day));
    EXPECT_TRUE(fs::exists(recent_day / "0000_01o.txt"));
    EXPECT_TRUE(fs::exists(not_a_day / "0000_01o.txt"));
    EXPECT_TRUE(fs::exists(narrow_path(last_comparison_files().old_copy)));
}

#ifndef _WIN32
// Every file of the check lives under the home folder; one with blanks and shell characters in
// its name must work the same, since paths only ever travel as separate arguments.
TEST_F(CompareWithFc, TemporaryFolderWithBlanksAndShellCharactersWorks) {
    const std::string saved_home = std::getenv("VERMARK_HOME");
    const fs::path odd_home = testing::fresh_folder("odd") / "my home; $(x) 'q'";
    fs::create_directories(odd_home);
    ::setenv("VERMARK_HOME", odd_home.c_str(), 1);
    EXPECT_FALSE(where_command(u"sh").empty());
    EXPECT_FALSE(compare(u"<p>before</p>", u"<p>after</p>"));
    const ComparisonFiles files = last_comparison_files();
    ::setenv("VERMARK_HOME", saved_home.c_str(), 1);
    EXPECT_TRUE(narrow_path(files.listing).string().starts_with(odd_home.string()));
    EXPECT_THAT(read_bytes(narrow_path(files.listing)), HasSubstr("<p>after</p>"));
}
#else
// Wine's where.exe and fc.exe print nothing, so under Wine two batch files ahead on PATH stand in
// for them: where.bat answers with the stand-ins beside it, then with programs on PATH; fc.bat
// lists the arguments it was given. On Windows the system's own commands answer.
class WindowsCommands : public CompareWithFc {
  protected:
    void SetUp() override {
        CompareWithFc::SetUp();
        if (!testing::running_under_wine()) return;
        const fs::path folder = testing::fresh_folder("wine commands");
        testing::write_bytes(
            folder / "where.bat",
            "@echo off\r\n"
            "if exist \"%~dp0%~1.bat\" goto own\r\n"
            "for %%f in (\"%~1.exe\") do if not \"%%~$PATH:f\"==\"\" goto found\r\n"
            "echo INFO: Could not find files for the given pattern(s). 1>&2\r\n"
            "goto :eof\r\n"
            ":own\r\n"
            "echo %~dp0%~1.bat\r\n"
            "goto :eof\r\n"
            ":found\r\n"
            "for %%f in (\"%~1.exe\") do echo %%~$PATH:f\r\n");
        testing::write_bytes(folder / "fc.bat", "@echo fc %*\r\n");
        saved_path_ = std::getenv("PATH");
        testing::set_environment("PATH", folder.string() + ";" + saved_path_);
    }
    void TearDown() override {
        if (!saved_path_.empty()) testing::set_environment("PATH", saved_path_);
    }
    std::string saved_path_;
};

// The lookup's files lie in a folder whose name holds blanks and the characters cmd acts on; the
// batch file quotes them.
TEST_F(WindowsCommands, WhereFindsProgramsOnThePath_OnWindows) {
    const std::string saved_home = std::getenv("VERMARK_HOME");
    const fs::path odd_home = testing::fresh_folder("odd") / "my home & 100% (x) ^!";
    fs::create_directories(odd_home);
    testing::set_environment("VERMARK_HOME", odd_home.string());
    const std::u16string found = where_command(u" cmd ");
    testing::set_environment("VERMARK_HOME", saved_home);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(to_lower(file_name_of(found)), u"cmd.exe");
    EXPECT_TRUE(fs::exists(narrow_path(found)));
    EXPECT_EQ(where_command(u"no-such-program-vermark"), u"");
    EXPECT_EQ(where_command(u"   "), u"");
    EXPECT_TRUE(command_available(kFileCompareProgram));
    // A path that exists is its own answer; no lookup runs.
    EXPECT_EQ(where_command(found), found);
}

TEST_F(WindowsCommands, CommandCharactersInTheNameStayInert_OnWindows) {
    // The batch file runs in the program's working folder: a command slipped in would leave its
    // file there.
    const fs::path marker = fs::current_path() / "vermark-injected";
    for (const char16_t* name : {u"x&copy nul vermark-injected", u"x^&copy nul vermark-injected",
                                 u"x)&copy nul vermark-injected", u"%COMSPEC%"})
        EXPECT_EQ(where_command(name), u"") << platform::to_utf8(name);
    // A name no file may have is no program: answered at once, without a lookup.
    EXPECT_EQ(where_command(u"x|copy nul vermark-injected"), u"");
    EXPECT_FALSE(fs::exists(marker));
}

// The listing is made in a folder whose name holds blanks and the characters cmd acts on: fc
// takes the paths as arguments of their own. (Under Wine the stand-in fc.bat gets them through
// cmd, which mangles a '%' in them, so the folder has none there.)
TEST_F(WindowsCommands, ChangedPageLeavesTheListingOfFc_OnWindows) {
    const std::string saved_home = std::getenv("VERMARK_HOME");
    const fs::path odd_home =
        testing::fresh_folder("odd") /
        (testing::running_under_wine() ? "my home & (x)" : "my home & 100% (x)");
    fs::create_directories(odd_home);
    testing::set_environment("VERMARK_HOME", odd_home.string());
    EXPECT_FALSE(compare(u"<li>one</li><li>two</li>", u"<li>one</li><li>three</li>"));
    const ComparisonFiles files = last_comparison_files();
    testing::set_environment("VERMARK_HOME", saved_home);
    EXPECT_EQ(errors_, "changed\n");
    EXPECT_TRUE(narrow_path(files.listing).string().starts_with(odd_home.string()));
    const std::string listing = read_bytes(narrow_path(files.listing));
    ASSERT_FALSE(listing.empty());
    if (testing::running_under_wine()) {
        EXPECT_THAT(listing, HasSubstr("/U"));
        EXPECT_THAT(listing, HasSubstr(platform::to_utf8(files.old_copy)));
        EXPECT_THAT(listing, HasSubstr(platform::to_utf8(files.new_copy)));
    }
}
#endif

}  // namespace
}  // namespace vermark
