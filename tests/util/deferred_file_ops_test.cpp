#include "util/deferred_file_ops.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

namespace fs = std::filesystem;

using vermark::testing::wide_path;

TEST(DeferredRemoval, ContentsGoBeforeTheirFolderWhateverTheOrderGiven) {
    const auto folder = testing::fresh_folder("order");
    testing::write_bytes(folder / "d" / "a.txt", "x");
    testing::write_bytes(folder / "d" / "e" / "b.txt", "x");
    testing::write_bytes(folder / "d.txt", "x");
    DeferredFileOps ops;
    ops.remove_later(wide_path(folder / "d") + u"/");
    ops.remove_later(
        StringList{wide_path(folder / "d" / "e"), wide_path(folder / "d" / "e" / "b.txt")});
    ops.remove_later(wide_path(folder / "d" / "a.txt"));
    ops.remove_later(wide_path(folder / "d" / "a.txt"));  // twice: goes once, no harm
    ops.remove_later(wide_path(folder / "d.txt"));
    ops.remove_later(wide_path(folder / "never-existed"));
    ops.run();
    EXPECT_FALSE(fs::exists(folder / "d"));
    EXPECT_FALSE(fs::exists(folder / "d.txt"));
    EXPECT_TRUE(fs::exists(folder));
}

TEST(DeferredRemoval, AFolderStillHoldingAnUnscheduledFileSurvives) {
    const auto folder = testing::fresh_folder("survive");
    testing::write_bytes(folder / "d" / "scheduled", "x");
    testing::write_bytes(folder / "d" / "kept", "x");
    DeferredFileOps ops;
    ops.remove_later(wide_path(folder / "d"));
    ops.remove_later(wide_path(folder / "d" / "scheduled"));
    ops.run();
    EXPECT_FALSE(fs::exists(folder / "d" / "scheduled"));
    EXPECT_TRUE(fs::exists(folder / "d" / "kept"));
}

#ifndef _WIN32
TEST(DeferredRemoval, ALinkIsRemovedNotItsTarget) {
    const auto folder = testing::fresh_folder("link");
    testing::write_bytes(folder / "target" / "precious", "x");
    fs::create_directory_symlink(folder / "target", folder / "link");
    DeferredFileOps ops;
    ops.remove_later(wide_path(folder / "link") + u"/");
    ops.run();
    EXPECT_FALSE(fs::is_symlink(folder / "link"));
    EXPECT_TRUE(fs::exists(folder / "target" / "precious"));
}
#else
VERMARK_SKIPPED_ON_WINDOWS(DeferredRemoval, ALinkIsRemovedNotItsTarget,
                           "symbolic links need a privilege on Windows")
#endif

TEST(DeferredMove, CopiesThenRemovesTheSource) {
    const auto folder = testing::fresh_folder("move");
    testing::write_bytes(folder / "page.htm", "new");
    testing::write_bytes(folder / "plain", "x");
    DeferredFileOps ops;
    ops.remove_later(wide_path(folder / "plain"));
    ops.move_later(wide_path(folder / "page.htm"), wide_path(folder / "old" / "page_1.htm"));
    ASSERT_EQ(ops.targets().size(), 2u);
    EXPECT_EQ(ops.targets()[0], u"");
    ops.run();
    EXPECT_FALSE(fs::exists(folder / "page.htm"));
    EXPECT_EQ(testing::read_bytes(folder / "old" / "page_1.htm"), "new");
    EXPECT_FALSE(fs::exists(folder / "plain"));
    EXPECT_TRUE(ops.targets().empty());
}

TEST(DeferredMove, AFailedCopyLeavesTheSourceInPlace) {
    const auto folder = testing::fresh_folder("move-fail");
    testing::write_bytes(folder / "src", "keep me");
    testing::write_bytes(folder / "blocker", "a file where a folder would go");
    DeferredFileOps ops;
    ops.move_later(wide_path(folder / "src"), wide_path(folder / "blocker" / "dest"));
    ops.run();
    EXPECT_EQ(testing::read_bytes(folder / "src"), "keep me");
}

TEST(DeferredMove, CopyNowCopiesAtOnceAndKeepsTheRemovals) {
    const auto folder = testing::fresh_folder("copy-now");
    testing::write_bytes(folder / "a", "A");
    testing::write_bytes(folder / "b", "B");
    DeferredFileOps ops;
    ops.move_later(wide_path(folder / "a"), wide_path(folder / "out" / "a"));
    ops.move_later(wide_path(folder / "b"), wide_path(folder / "a" / "cannot"));
    ops.copy_now();
    EXPECT_EQ(testing::read_bytes(folder / "out" / "a"), "A");
    EXPECT_TRUE(ops.targets().empty());
    EXPECT_EQ(ops.paths(), (StringList{wide_path(folder / "a"), u""}));
    ops.run();
    EXPECT_FALSE(fs::exists(folder / "a"));
    EXPECT_EQ(testing::read_bytes(folder / "b"), "B");
}

TEST(DeferredRemoval, DestructionCarriesOutTheList) {
    const auto folder = testing::fresh_folder("destruct");
    testing::write_bytes(folder / "f", "x");
    {
        DeferredFileOps ops;
        ops.remove_later(wide_path(folder / "f"));
    }
    EXPECT_FALSE(fs::exists(folder / "f"));
}

}  // namespace
}  // namespace vermark
