#include "platform/file_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"
#include "support/wine.h"

namespace vermark {
namespace {

namespace fs = std::filesystem;

using vermark::testing::wide_path;

TEST(LockedFileTest, ReadersShareWritersHoldAlone) {
    const fs::path folder = testing::fresh_folder("locks");
    testing::write_bytes(folder / "f", "abc");
    const std::u16string path = wide_path(folder / "f");

    platform::LockedFile reader1, reader2, writer;
    ASSERT_EQ(reader1.open(path, platform::FileAccess::read), platform::OpenFailure::none);
    EXPECT_EQ(reader2.open(path, platform::FileAccess::read), platform::OpenFailure::none);
    EXPECT_EQ(writer.open(path, platform::FileAccess::write_truncate),
              platform::OpenFailure::sharing_violation);
    EXPECT_EQ(writer.open(path, platform::FileAccess::read_write),
              platform::OpenFailure::sharing_violation);
    EXPECT_EQ(testing::read_bytes(folder / "f"), "abc");  // a refused writer truncates nothing
    reader1.close();
    reader2.close();

    ASSERT_EQ(writer.open(path, platform::FileAccess::read_write), platform::OpenFailure::none);
    EXPECT_EQ(reader1.open(path, platform::FileAccess::read),
              platform::OpenFailure::sharing_violation);
    platform::LockedFile moved = std::move(writer);  // the lock travels with the file
    EXPECT_EQ(reader1.open(path, platform::FileAccess::read),
              platform::OpenFailure::sharing_violation);
    EXPECT_TRUE(moved.close());
    EXPECT_EQ(reader1.open(path, platform::FileAccess::read), platform::OpenFailure::none);
}

TEST(LockedFileTest, FailuresThatWaitingCannotMend) {
    const fs::path folder = testing::fresh_folder("lock failures");
    testing::write_bytes(folder / "file", "x");
    platform::LockedFile f;
    EXPECT_EQ(f.open(wide_path(folder / "missing"), platform::FileAccess::read),
              platform::OpenFailure::not_found);
    EXPECT_EQ(f.open(wide_path(folder / "no" / "new"), platform::FileAccess::write_truncate),
              platform::OpenFailure::not_found);
    EXPECT_EQ(f.open(wide_path(folder), platform::FileAccess::read),
              platform::OpenFailure::is_folder);
    EXPECT_EQ(f.open(wide_path(folder), platform::FileAccess::write_truncate),
              platform::OpenFailure::is_folder);
    EXPECT_EQ(f.open(wide_path(folder / "file" / "x"), platform::FileAccess::read),
              platform::OpenFailure::not_folder);
    EXPECT_EQ(f.open(u"", platform::FileAccess::read), platform::OpenFailure::not_found);
    // A name longer than any file system takes is a bad name; Wine reports the refusal of the
    // Linux file system below it as a missing file. Waiting mends neither.
    const platform::OpenFailure too_long =
        f.open(wide_path(folder / std::string(300, 'n')), platform::FileAccess::read);
    EXPECT_EQ(too_long, testing::running_under_wine() ? platform::OpenFailure::not_found
                                                      : platform::OpenFailure::other);
    for (platform::OpenFailure failure :
         {platform::OpenFailure::not_found, platform::OpenFailure::is_folder,
          platform::OpenFailure::not_folder, platform::OpenFailure::other}) {
        EXPECT_FALSE(platform::may_pass(failure));
    }
    EXPECT_TRUE(platform::may_pass(platform::OpenFailure::sharing_violation));
    EXPECT_TRUE(platform::may_pass(platform::OpenFailure::transient));
    EXPECT_FALSE(f.is_open());
}

#ifndef _WIN32
TEST(LockedFileTest, FifoWithoutWriterDoesNotHang) {
    const fs::path fifo = testing::fresh_folder("fifo") / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    platform::LockedFile f;
    ASSERT_EQ(f.open(wide_path(fifo), platform::FileAccess::read), platform::OpenFailure::none);
    char buffer[4];
    EXPECT_EQ(f.read(buffer, sizeof buffer), 0u);
}
#else
VERMARK_SKIPPED_ON_WINDOWS(LockedFileTest, FifoWithoutWriterDoesNotHang, "no FIFOs on Windows")
#endif

TEST(LockedFileTest, WriterEmptiesTheFileOnceItHoldsTheLock) {
    const fs::path path = testing::fresh_folder("lock io") / "io";
    testing::write_bytes(path, "content");
    platform::LockedFile f;
    ASSERT_EQ(f.open(wide_path(path), platform::FileAccess::write_truncate),
              platform::OpenFailure::none);
    EXPECT_EQ(f.size(), 0u);
    EXPECT_TRUE(f.write_all("new", 3));
    EXPECT_TRUE(f.close());
    EXPECT_EQ(testing::read_bytes(path), "new");
}

}  // namespace
}  // namespace vermark
