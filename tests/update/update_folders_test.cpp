#include "update/update_folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/wide.h"
#include "support/local_time.h"
#include "support/paths.h"
#include "support/sandbox.h"
#include "update/update_clock.h"
#include "util/folders.h"

namespace vermark {
namespace {
namespace fs = std::filesystem;

using vermark::testing::narrow_path;

class UpdateFolders : public ::testing::Test {
  protected:
    void TearDown() override { set_update_clock({}); }
};

TEST_F(UpdateFolders, DatedFoldersChangeAtMidnight) {
    const std::time_t before = testing::local_time(2024, 1, 31, 23, 59);
    set_update_clock([&] { return before; });
    const std::u16string late = dated_work_folder();
    const std::u16string late_tool = dated_tool_folder(u"cmd_bat");
    set_update_clock([&] { return before + 120; });
    const std::u16string early = dated_work_folder();
    EXPECT_TRUE(late.ends_with(u"/20240131/")) << platform::to_utf8(late);
    EXPECT_TRUE(early.ends_with(u"/20240201/")) << platform::to_utf8(early);
    EXPECT_TRUE(late_tool.ends_with(u"/r_Utile.tmp/cmd_bat/20240131"))
        << platform::to_utf8(late_tool);
    EXPECT_TRUE(fs::is_directory(narrow_path(early)));
    // Both days share the program folder.
    EXPECT_EQ(late.substr(0, late.size() - 9), early.substr(0, early.size() - 9));
}

TEST_F(UpdateFolders, StayInsideTheTemporaryFolderAndArePrivate) {
    const fs::path root = narrow_path(temp_folder()) / "r_Utile.tmp";
    fs::create_directories(root);
    fs::permissions(root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    const std::u16string program = program_temp_folder();
    EXPECT_TRUE(narrow_path(program).string().starts_with(root.string() + "/"))
        << platform::to_utf8(program);
    EXPECT_TRUE(program.ends_with(u"/"));
    const auto others = fs::perms::group_all | fs::perms::others_all;
    EXPECT_EQ(fs::status(root).permissions() & others, fs::perms::none);
    EXPECT_EQ(fs::status(narrow_path(program)).permissions() & others, fs::perms::none);
}

// Another user, or a link planted in a shared /tmp, may already hold the root's name. Nothing
// may then be written through it; the user's own documents folder takes the root instead.
TEST_F(UpdateFolders, RootThatIsALinkIsNotWrittenThrough) {
    const std::string saved_home = std::getenv("VERMARK_HOME");
    const fs::path home = testing::fresh_folder("linked-root");
    const fs::path elsewhere = testing::fresh_folder("link-target");
    fs::permissions(elsewhere, fs::perms::owner_all | fs::perms::group_all |
                                   fs::perms::others_read | fs::perms::others_exec);
    fs::create_directories(home / "tmp");
    fs::create_directory_symlink(elsewhere, home / "tmp" / "r_Utile.tmp");
    ::setenv("VERMARK_HOME", home.c_str(), 1);
    const std::u16string program = program_temp_folder();
    const std::u16string tool = dated_tool_folder(u"cmd_bat");
    ::setenv("VERMARK_HOME", saved_home.c_str(), 1);

    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_NE(fs::status(elsewhere).permissions() & fs::perms::group_all, fs::perms::none);
    const std::string fallback = (home / "Documents" / "Temp" / "Temp" / "r_Utile.tmp").string();
    EXPECT_TRUE(narrow_path(program).string().starts_with(fallback + "/"))
        << platform::to_utf8(program);
    EXPECT_TRUE(narrow_path(tool).string().starts_with(fallback + "/")) << platform::to_utf8(tool);
    EXPECT_TRUE(fs::is_directory(narrow_path(tool)));
    const auto others = fs::perms::group_all | fs::perms::others_all;
    EXPECT_EQ(fs::status(fallback).permissions() & others, fs::perms::none);
}

}  // namespace
}  // namespace vermark
