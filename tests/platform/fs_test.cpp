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

TEST(OpenFailures, OnlyPassingOnesAreWorthARetry) {
    for (int hopeless : {ENOENT, ENOTDIR, EISDIR, EROFS, ENAMETOOLONG, ELOOP})
        EXPECT_FALSE(failure_may_pass(hopeless)) << hopeless;
    for (int passing : {EACCES, EPERM, EINTR, EBUSY, ETXTBSY, EAGAIN, EMFILE, ENFILE})
        EXPECT_TRUE(failure_may_pass(passing)) << passing;
}

}  // namespace
}  // namespace vermark::platform
