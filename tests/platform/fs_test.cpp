#include "platform/fs.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"

namespace vermark::platform {
namespace {

namespace fs = std::filesystem;

using vermark::testing::wide_path;

TEST(FileStatus, SizesBeyondFourGigabytesAreKeptWhole) {
    const auto folder = testing::fresh_folder("big");
    const fs::path big = folder / "sparse.bin";
    testing::write_bytes(big, "");
    const std::uintmax_t five_gib = 5ull << 30;
    fs::resize_file(big, five_gib);  // sparse: no disk space used
    const auto status = file_status(wide_path(big));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->size, five_gib);
    EXPECT_FALSE(status->is_folder);
}

TEST(AppendFileTest, AppendsAndRefusesAFifoWithoutWaitingForAReader) {
    const auto folder = testing::fresh_folder("append");
    AppendFile file;
    ASSERT_EQ(file.open(wide_path(folder / "log.txt")), 0);
    const std::uint8_t bytes[] = {'a', 'b'};
    EXPECT_TRUE(file.write(bytes));
    EXPECT_TRUE(file.write(bytes));
    EXPECT_EQ(file.size(), 4u);
    file.close();
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    EXPECT_NE(file.open(wide_path(folder / "pipe")), 0) << "no reader: the open must not block";
    EXPECT_NE(file.open(wide_path(folder)), 0);
}

TEST(CopyFileContents, CopiesRegularFilesOnly) {
    const auto folder = testing::fresh_folder("copy");
    testing::write_bytes(folder / "a", "abc");
    EXPECT_TRUE(copy_file_contents(wide_path(folder / "a"), wide_path(folder / "b")));
    EXPECT_EQ(testing::read_bytes(folder / "b"), "abc");
    EXPECT_FALSE(copy_file_contents(wide_path(folder / "a"), wide_path(folder / "a")))
        << "would empty the source";
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    EXPECT_FALSE(copy_file_contents(wide_path(folder / "pipe"), wide_path(folder / "c")))
        << "no writer: no wait";
    EXPECT_FALSE(copy_file_contents(wide_path(folder / "a"), wide_path(folder / "pipe")))
        << "no reader: no wait";
    EXPECT_FALSE(copy_file_contents(u"/dev/zero", wide_path(folder / "d"))) << "endless source";
    EXPECT_FALSE(copy_file_contents(wide_path(folder), wide_path(folder / "e")));
}

TEST(OpenFailures, OnlyPassingOnesAreWorthARetry) {
    for (int hopeless : {ENOENT, ENOTDIR, EISDIR, EROFS, ENAMETOOLONG, ELOOP})
        EXPECT_FALSE(failure_may_pass(hopeless)) << hopeless;
    for (int passing : {EACCES, EPERM, EINTR, EBUSY, ETXTBSY, EAGAIN, EMFILE, ENFILE})
        EXPECT_TRUE(failure_may_pass(passing)) << passing;
}

}  // namespace
}  // namespace vermark::platform
