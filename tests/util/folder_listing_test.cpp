#include "util/folder_listing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "platform/clock.h"
#include "platform/file_moves.h"
#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"
#include "util/deferred_file_ops.h"

namespace vermark {
namespace {

namespace fs = std::filesystem;

using vermark::testing::wide_path;

StringList sorted(StringList list) {
    std::sort(list.begin(), list.end());
    return list;
}

void set_modified(const fs::path& path, std::time_t when) {
    ASSERT_TRUE(platform::set_modification_time(platform::from_utf8(path.string()), when));
}

bool scheduled(const fs::path& path) {
    const StringList& paths = deferred_file_ops().paths();
    return std::find(paths.begin(), paths.end(), wide_path(path)) != paths.end();
}

TEST(Wildcards, OnlyTheStarIsSpecialAndCaseIsIgnored) {
    struct Case {
        std::u16string_view name, pattern;
        bool matches;
    };
    const Case cases[] = {
        {u"DbgDump1206_10.txt", u"dbgdump*.txt", true},
        {u"anything", u"", true},
        {u"anything", u"*", true},
        {u"a.b", u"*.*", true},
        {u"nodot", u"*.*", false},
        {u"xab", u"a*", false},
        {u"abx", u"a*", true},
        {u"ab", u"a*b", true},
        {u"a", u"a*a", false},
        {u"aXbYc", u"a*b*c", true},
        {u"acb", u"a*b*c", false},
        {u"report.TXT", u"*.txt", true},
        {u"report.txt.bak", u"*.txt", false},
        {u"file?.txt", u"file?.txt", true},
        {u"fileA.txt", u"file?.txt", false},
        {u"abc", u"abc", true},
        {u"abcabc", u"abc", false},  // a star-free pattern is the whole name
        {u"ABC", u"abc", true},
        {u"", u"a*", false},
        {u"it's here.txt", u"*'s*", true},  // quotes are plain characters in names
        {u"\"draft.txt", u"\"dr*.txt", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(matches_wildcard(c.name, c.pattern), c.matches)
            << platform::to_utf8(c.name) << " vs " << platform::to_utf8(c.pattern);
}

TEST(Listing, FoldersCarryATrailingSeparator) {
    const auto folder = testing::fresh_folder("listing");
    testing::write_bytes(folder / "a.txt", "1");
    testing::write_bytes(folder / u8"名前 b.TXT", "2");
    fs::create_directory(folder / "sub");
    const std::u16string base = wide_path(folder) + testing::native_separators(u"/");

    EXPECT_EQ(sorted(list_folder(wide_path(folder), true)),
              (StringList{base + u"a.txt", base + testing::native_separators(u"sub/"),
                          base + u"名前 b.TXT"}));
    EXPECT_EQ(list_folder(wide_path(folder) + u"/", false).size(), 5u) << "with . and ..";
    EXPECT_EQ(sorted(list_files(wide_path(folder / "a.txt"), true)),
              sorted(list_folder(wide_path(folder), true)));
    EXPECT_EQ(sorted(find_files(wide_path(folder), u"*.txt")),
              (StringList{base + u"a.txt", base + u"名前 b.TXT"}));
    EXPECT_EQ(find_files(wide_path(folder), u"s*"), StringList{}) << "folders are not files";
    EXPECT_EQ(list_folder(wide_path(folder / "missing"), true), StringList{});

    EXPECT_FALSE(folder_is_empty(wide_path(folder)));
    EXPECT_TRUE(folder_is_empty(wide_path(folder / "sub") + u"/"));
    testing::write_bytes(folder / "sub" / "inner", "");
    EXPECT_FALSE(folder_is_empty(wide_path(folder / "sub" / "inner")))
        << "a file's own folder is examined";
}

#ifndef _WIN32
TEST(Copy, RefusesWhatItShouldAndCreatesTheTargetFolder) {
    const auto folder = testing::fresh_folder("copy");
    testing::write_bytes(folder / "src", std::string("a\0b", 3));
    testing::write_bytes(folder / "existing", "old");

    EXPECT_FALSE(copy_file(wide_path(folder / "missing"), wide_path(folder / "t"), false));
    EXPECT_FALSE(copy_file(wide_path(folder / "src"), wide_path(folder / "existing"), true));
    EXPECT_EQ(testing::read_bytes(folder / "existing"), "old");
    EXPECT_TRUE(copy_file(wide_path(folder / "src"), wide_path(folder / "existing"), false));
    EXPECT_EQ(testing::read_bytes(folder / "existing"), std::string("a\0b", 3));
    EXPECT_TRUE(
        copy_file(wide_path(folder / "src"), wide_path(folder / "new" / "deep" / "t"), true));
    EXPECT_EQ(testing::read_bytes(folder / "new" / "deep" / "t"), std::string("a\0b", 3));
    EXPECT_FALSE(copy_file(wide_path(folder / "src"), wide_path(folder / "src"), false))
        << "a file onto itself";
    fs::create_symlink(folder / "src", folder / "alias");
    EXPECT_FALSE(copy_file(wide_path(folder / "src"), wide_path(folder / "alias"), false))
        << "nor onto a link to it";
    EXPECT_EQ(testing::read_bytes(folder / "src"), std::string("a\0b", 3));
    EXPECT_FALSE(
        copy_file(wide_path(folder / "src"), wide_path(folder / "existing" / "below"), false));
}
#else
VERMARK_SKIPPED_ON_WINDOWS(Copy, RefusesWhatItShouldAndCreatesTheTargetFolder,
                           "symbolic links and POSIX modes")
#endif

class Purge : public ::testing::Test {
  protected:
    void SetUp() override {
        deferred_file_ops().run();  // start from an empty shared list
        now_ = 1'800'000'000;
        platform::set_time_source([this] { return now_; });
    }
    void TearDown() override {
        platform::set_time_source({});
        deferred_file_ops().run();
    }
    std::time_t now_ = 0;
};

TEST_F(Purge, SchedulesOldWritableLookalikesFromTheAgeLimitOn) {
    const auto folder = testing::fresh_folder("purge");
    const std::time_t limit = now_ - 10 * 86400;
    for (const char* name : {"log_exact.txt", "log_older.txt", "log_young.txt", "log_ro.txt",
                             "other_old.txt", "log_old.dat"})
        testing::write_bytes(folder / name, "x");
    set_modified(folder / "log_exact.txt", limit);
    set_modified(folder / "log_older.txt", limit - 86400 * 30);
    set_modified(folder / "log_young.txt", limit + 1);
    set_modified(folder / "log_ro.txt", limit - 5);
    fs::permissions(folder / "log_ro.txt", fs::perms::owner_read | fs::perms::group_read);
    set_modified(folder / "other_old.txt", limit - 5);
    set_modified(folder / "log_old.dat", limit - 5);

    EXPECT_FALSE(purge_old_files(wide_path(folder / "log.txt"), 10));
    EXPECT_TRUE(scheduled(folder / "log_exact.txt"));
    EXPECT_TRUE(scheduled(folder / "log_older.txt"));
    EXPECT_FALSE(scheduled(folder / "log_young.txt"));
    EXPECT_FALSE(scheduled(folder / "log_ro.txt")) << "read-only files are kept";
    EXPECT_FALSE(scheduled(folder / "other_old.txt"));
    EXPECT_FALSE(scheduled(folder / "log_old.dat"));
    EXPECT_TRUE(fs::exists(folder / "log_exact.txt")) << "nothing goes before the exit";

    deferred_file_ops().run();
    EXPECT_FALSE(fs::exists(folder / "log_exact.txt"));
    EXPECT_TRUE(fs::exists(folder / "log_young.txt"));
    EXPECT_TRUE(purge_old_files(wide_path(folder / "log.txt"), 10)) << "nothing left to schedule";
}

TEST_F(Purge, AMissingFolderSchedulesNothingInItsParent) {
    const auto parent = testing::fresh_folder("purge-parent");
    testing::write_bytes(parent / "unrelated.txt", "x");
    set_modified(parent / "unrelated.txt", now_ - 400 * 86400);
    EXPECT_TRUE(purge_old_files(wide_path(parent / "DbgDump" / ".txt"), 10));
    EXPECT_TRUE(deferred_file_ops().paths().empty());
}

}  // namespace
}  // namespace vermark
