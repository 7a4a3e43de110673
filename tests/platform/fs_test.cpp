#include "platform/fs.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/wide.h"
#include "support/sandbox.h"

namespace vermark::platform {
namespace {

namespace fs = std::filesystem;

std::u16string u(const fs::path& path) {
    return from_utf8(path.string());
}

TEST(FileStatus, SizesBeyondFourGigabytesAreKeptWhole) {
    const auto folder = testing::fresh_folder("big");
    const fs::path big = folder / "sparse.bin";
    testing::write_bytes(big, "");
    const std::uintmax_t five_gib = 5ull << 30;
    fs::resize_file(big, five_gib);  // sparse: no disk space used
    const auto status = file_status(u(big));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->size, five_gib);
    EXPECT_FALSE(status->is_folder);
}

TEST(FileStatus, LinksAndReadOnlyEntries) {
    const auto folder = testing::fresh_folder("status");
    testing::write_bytes(folder / "f", "x");
    fs::create_directory_symlink(folder, folder / "link");
    EXPECT_TRUE(file_status(u(folder / "link"))->is_folder);
    EXPECT_TRUE(link_status(u(folder / "link"))->is_link);
    EXPECT_FALSE(link_status(u(folder / "link"))->is_folder);
    EXPECT_FALSE(file_status(u(folder / "f"))->read_only);
    fs::permissions(folder / "f", fs::perms::owner_read);
    EXPECT_TRUE(file_status(u(folder / "f"))->read_only);
    EXPECT_FALSE(file_status(u(folder / "missing")));
}

TEST(PrivateFolders, SharedFoldersAndOwnership) {
    const auto folder = testing::fresh_folder("private");
    ASSERT_TRUE(make_private_folder(u(folder / "p")));
    EXPECT_EQ(fs::status(folder / "p").permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_FALSE(make_private_folder(u(folder / "p")));
    EXPECT_TRUE(is_own_folder(*link_status(u(folder / "p"))));
    EXPECT_FALSE(is_shared_folder(*file_status(u(folder / "p"))));
    fs::permissions(folder / "p", fs::perms::all | fs::perms::sticky_bit);
    EXPECT_TRUE(is_shared_folder(*file_status(u(folder / "p"))));
}

TEST(CopyContents, CopiesExactlyAndRefusesTheSameFile) {
    const auto folder = testing::fresh_folder("copy");
    std::string payload(200000, '\0');
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 7);
    testing::write_bytes(folder / "src", payload);
    EXPECT_TRUE(copy_file_contents(u(folder / "src"), u(folder / "dst")));
    EXPECT_EQ(testing::read_bytes(folder / "dst"), payload);
    fs::create_symlink(folder / "src", folder / "alias");
    EXPECT_FALSE(copy_file_contents(u(folder / "src"), u(folder / "alias")));
    EXPECT_EQ(testing::read_bytes(folder / "src"), payload);
    EXPECT_FALSE(copy_file_contents(u(folder), u(folder / "x"))) << "a folder is no source";
    EXPECT_FALSE(copy_file_contents(u(folder / "none"), u(folder / "y")));
}

TEST(Listing, ReportsFoldersAndDots) {
    const auto folder = testing::fresh_folder("read");
    fs::create_directory(folder / "d");
    testing::write_bytes(folder / "f", "");
    const auto entries = read_folder(u(folder));
    ASSERT_TRUE(entries);
    int folders = 0, files = 0;
    for (const auto& entry : *entries) (entry.is_folder ? folders : files)++;
    EXPECT_EQ(folders, 3);  // ".", "..", "d"
    EXPECT_EQ(files, 1);
    EXPECT_FALSE(read_folder(u(folder / "f")));
}

TEST(OpenFailures, OnlyPassingOnesAreWorthARetry) {
    for (int hopeless : {ENOENT, ENOTDIR, EISDIR, EROFS, ENAMETOOLONG, ELOOP})
        EXPECT_FALSE(failure_may_pass(hopeless)) << hopeless;
    for (int passing : {EACCES, EPERM, EINTR, EBUSY, ETXTBSY, EAGAIN, EMFILE, ENFILE})
        EXPECT_TRUE(failure_may_pass(passing)) << passing;
}

TEST(AppendFile, AppendsAndReportsItsSize) {
    const auto folder = testing::fresh_folder("append");
    AppendFile file;
    ASSERT_EQ(file.open(u(folder / "a.log")), 0);
    EXPECT_EQ(file.size(), 0u);
    const std::uint8_t bytes[] = {1, 2, 3};
    EXPECT_TRUE(file.write(bytes));
    file.close();
    ASSERT_EQ(file.open(u(folder / "a.log")), 0);
    EXPECT_EQ(file.size(), 3u);
    EXPECT_TRUE(file.write(bytes));
    file.close();
    EXPECT_EQ(testing::read_bytes(folder / "a.log").size(), 6u);
    EXPECT_EQ(file.open(u(folder / "missing" / "a.log")), ENOENT);
    EXPECT_EQ(file.open(u(folder)), EISDIR);
    EXPECT_FALSE(file.write(bytes)) << "closed after a failed open";
}

}  // namespace
}  // namespace vermark::platform
