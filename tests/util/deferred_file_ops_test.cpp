#include "util/deferred_file_ops.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/wide.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

namespace fs = std::filesystem;

std::u16string u(const fs::path& path) {
    return from_utf8(path.string());
}

TEST(DeferredRemoval, ContentsGoBeforeTheirFolderWhateverTheOrderGiven) {
    const auto folder = testing::fresh_folder("order");
    testing::write_bytes(folder / "d" / "a.txt", "x");
    testing::write_bytes(folder / "d" / "e" / "b.txt", "x");
    testing::write_bytes(folder / "d.txt", "x");
    DeferredFileOps ops;
    ops.remove_later(u(folder / "d") + u"/");
    ops.remove_later(StringList{u(folder / "d" / "e"), u(folder / "d" / "e" / "b.txt")});
    ops.remove_later(u(folder / "d" / "a.txt"));
    ops.remove_later(u(folder / "d" / "a.txt"));  // twice: goes once, no harm
    ops.remove_later(u(folder / "d.txt"));
    ops.remove_later(u(folder / "never-existed"));
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
    ops.remove_later(u(folder / "d"));
    ops.remove_later(u(folder / "d" / "scheduled"));
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
    ops.remove_later(u(folder / "link") + u"/");
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
    ops.remove_later(u(folder / "plain"));
    ops.move_later(u(folder / "page.htm"), u(folder / "old" / "page_1.htm"));
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
    ops.move_later(u(folder / "src"), u(folder / "blocker" / "dest"));
    ops.run();
    EXPECT_EQ(testing::read_bytes(folder / "src"), "keep me");
}

TEST(DeferredMove, CopyNowCopiesAtOnceAndKeepsTheRemovals) {
    const auto folder = testing::fresh_folder("copy-now");
    testing::write_bytes(folder / "a", "A");
    testing::write_bytes(folder / "b", "B");
    DeferredFileOps ops;
    ops.move_later(u(folder / "a"), u(folder / "out" / "a"));
    ops.move_later(u(folder / "b"), u(folder / "a" / "cannot"));
    ops.copy_now();
    EXPECT_EQ(testing::read_bytes(folder / "out" / "a"), "A");
    EXPECT_TRUE(ops.targets().empty());
    EXPECT_EQ(ops.paths(), (StringList{u(folder / "a"), u""}));
    ops.run();
    EXPECT_FALSE(fs::exists(folder / "a"));
    EXPECT_EQ(testing::read_bytes(folder / "b"), "B");
}

TEST(DeferredRemoval, DestructionCarriesOutTheList) {
    const auto folder = testing::fresh_folder("destruct");
    testing::write_bytes(folder / "f", "x");
    {
        DeferredFileOps ops;
        ops.remove_later(u(folder / "f"));
    }
    EXPECT_FALSE(fs::exists(folder / "f"));
}

}  // namespace
}  // namespace vermark
