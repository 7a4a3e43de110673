#include "platform/file_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

namespace fs = std::filesystem;

using vermark::testing::wide_path;

TEST(LockedFileTest, ReadersShareWritersHoldAlone) {
    const fs::path folder = testing::fresh_folder("locks");
    testing::write_bytes(folder / "f", "abc");
    const std::u16string path = wide_path(folder / "f");

    LockedFile reader1, reader2, writer;
    ASSERT_EQ(reader1.open(path, FileAccess::read), OpenFailure::none);
    EXPECT_EQ(reader2.open(path, FileAccess::read), OpenFailure::none);
    EXPECT_EQ(writer.open(path, FileAccess::write_truncate), OpenFailure::sharing_violation);
    EXPECT_EQ(writer.open(path, FileAccess::read_write), OpenFailure::sharing_violation);
    EXPECT_EQ(testing::read_bytes(folder / "f"), "abc");  // a refused writer truncates nothing
    reader1.close();
    reader2.close();

    ASSERT_EQ(writer.open(path, FileAccess::read_write), OpenFailure::none);
    EXPECT_EQ(reader1.open(path, FileAccess::read), OpenFailure::sharing_violation);
    LockedFile moved = std::move(writer);  // the lock travels with the file
    EXPECT_EQ(reader1.open(path, FileAccess::read), OpenFailure::sharing_violation);
    EXPECT_TRUE(moved.close());
    EXPECT_EQ(reader1.open(path, FileAccess::read), OpenFailure::none);
}

TEST(LockedFileTest, FailuresThatWaitingCannotMend) {
    const fs::path folder = testing::fresh_folder("lock failures");
    testing::write_bytes(folder / "file", "x");
    LockedFile f;
    EXPECT_EQ(f.open(wide_path(folder / "missing"), FileAccess::read), OpenFailure::not_found);
    EXPECT_EQ(f.open(wide_path(folder / "no" / "new"), FileAccess::write_truncate),
              OpenFailure::not_found);
    EXPECT_EQ(f.open(wide_path(folder), FileAccess::read), OpenFailure::is_folder);
    EXPECT_EQ(f.open(wide_path(folder), FileAccess::write_truncate), OpenFailure::is_folder);
    EXPECT_EQ(f.open(wide_path(folder / "file" / "x"), FileAccess::read), OpenFailure::not_folder);
    EXPECT_EQ(f.open(u"", FileAccess::read), OpenFailure::not_found);
    EXPECT_EQ(f.open(wide_path(folder / std::string(300, 'n')), FileAccess::read),
              OpenFailure::other);
    for (OpenFailure failure : {OpenFailure::not_found, OpenFailure::is_folder,
                                OpenFailure::not_folder, OpenFailure::other}) {
        EXPECT_FALSE(may_pass(failure));
    }
    EXPECT_TRUE(may_pass(OpenFailure::sharing_violation));
    EXPECT_TRUE(may_pass(OpenFailure::transient));
    EXPECT_FALSE(f.is_open());
}

#ifndef _WIN32
TEST(LockedFileTest, FifoWithoutWriterDoesNotHang) {
    const fs::path fifo = testing::fresh_folder("fifo") / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    LockedFile f;
    ASSERT_EQ(f.open(wide_path(fifo), FileAccess::read), OpenFailure::none);
    char buffer[4];
    EXPECT_EQ(f.read(buffer, sizeof buffer), 0u);
}
#else
VERMARK_SKIPPED_ON_WINDOWS(LockedFileTest, FifoWithoutWriterDoesNotHang, "no FIFOs on Windows")
#endif

TEST(LockedFileTest, WriterEmptiesTheFileOnceItHoldsTheLock) {
    const fs::path path = testing::fresh_folder("lock io") / "io";
    testing::write_bytes(path, "content");
    LockedFile f;
    ASSERT_EQ(f.open(wide_path(path), FileAccess::write_truncate), OpenFailure::none);
    EXPECT_EQ(f.size(), 0u);
    EXPECT_TRUE(f.write_all("new", 3));
    EXPECT_TRUE(f.close());
    EXPECT_EQ(testing::read_bytes(path), "new");
}

}  // namespace
}  // namespace vermark
