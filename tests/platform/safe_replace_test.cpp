#include "platform/safe_replace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/posix/system_calls.h"
#include "platform/wide.h"
#include "support/sandbox.h"

namespace vermark::platform {
namespace {

namespace fs = std::filesystem;
using vermark::testing::fresh_folder;
using vermark::testing::read_bytes;
using vermark::testing::write_bytes;

std::vector<std::string> names_in(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Puts the real system calls back after each test.
class SafeReplaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fresh_folder("replace");
        target_ = folder_ / "settings.ini";
        write_bytes(target_, "old");
    }
    void TearDown() override { system_calls() = real_system_calls(); }
    std::u16string target() const { return from_utf8(target_.string()); }

    static void without_unnamed_files() {
        system_calls().open = [](const char* path, int flags, mode_t mode) {
            if ((flags & O_TMPFILE) == O_TMPFILE) {
                errno = EOPNOTSUPP;
                return -1;
            }
            return real_system_calls().open(path, flags, mode);
        };
    }

    fs::path folder_;
    fs::path target_;
};

TEST_F(SafeReplaceTest, ReplacesTheWholeFileAndLeavesNothingElse) {
    for (bool unnamed : {true, false}) {
        if (!unnamed) without_unnamed_files();
        EXPECT_EQ(replace_file(target(), unnamed ? "new" : "newer"), 0);
        EXPECT_EQ(read_bytes(target_), unnamed ? "new" : "newer");
        EXPECT_EQ(names_in(folder_), std::vector<std::string>{"settings.ini"});
    }
    // A target that does not exist yet is made.
    EXPECT_EQ(replace_file(from_utf8((folder_ / "fresh.reg").string()), "x"), 0);
    EXPECT_EQ(read_bytes(folder_ / "fresh.reg"), "x");
}

// Each step that can fail, on both ways of staging: the target keeps its old bytes, the error is
// reported, and no staged file is left.
TEST_F(SafeReplaceTest, AFailureAtAnyStepKeepsTheOldFileAndLeavesNothing) {
    struct Step {
        const char* name;
        void (*inject)();
        int error;
    };
    const Step steps[] = {
        {"write",
         [] {
             system_calls().write = [](int, const void*, size_t) -> ssize_t {
                 errno = ENOSPC;
                 return -1;
             };
         },
         ENOSPC},
        {"short write",
         [] { system_calls().write = [](int, const void*, size_t) -> ssize_t { return 0; }; },
         ENOSPC},
        {"fsync",
         [] {
             system_calls().fsync = [](int) {
                 errno = EIO;
                 return -1;
             };
         },
         EIO},
        {"fchmod",
         [] {
             system_calls().fchmod = [](int, mode_t) {
                 errno = EPERM;
                 return -1;
             };
         },
         EPERM},
        {"linkat",
         [] {
             system_calls().linkat = [](int, const char*, int, const char*, int) {
                 errno = EMLINK;
                 return -1;
             };
         },
         EMLINK},
        {"rename",
         [] {
             system_calls().rename = [](const char*, const char*) {
                 errno = EXDEV;
                 return -1;
             };
         },
         EXDEV},
        {"close",
         [] {
             system_calls().close = [](int fd) {
                 real_system_calls().close(fd);
                 errno = EIO;
                 return -1;
             };
         },
         EIO},
        {"open",
         [] {
             system_calls().open = [](const char*, int, mode_t) {
                 errno = EMFILE;
                 return -1;
             };
         },
         EMFILE},
    };
    for (bool unnamed : {true, false}) {
        for (const Step& step : steps) {
            SCOPED_TRACE(std::string(step.name) + (unnamed ? " unnamed" : " named"));
            const std::string name = step.name;
            if (!unnamed && name == "linkat") continue;  // a named file is renamed, not linked
            system_calls() = real_system_calls();
            write_bytes(target_, "old");
            if (!unnamed) without_unnamed_files();
            step.inject();
            ReplaceOptions options;
            options.keep_mode = step.error == EPERM;  // fchmod is used to keep the mode
            const int error = replace_file(target(), "new", options);
            system_calls() = real_system_calls();
            EXPECT_EQ(error, step.error);
            // An unnamed file is closed once it has its name: a failed close is reported, but
            // the new file is already in place.
            if (!unnamed || name != "close") {
                EXPECT_EQ(read_bytes(target_), "old");
            }
            EXPECT_EQ(names_in(folder_), std::vector<std::string>{"settings.ini"});
        }
    }
}

// A gathered write that the system takes in bits (as a pipe-like file or a signal may make it)
// still writes every piece once and in order; a full disk part-way fails the whole replacement.
TEST_F(SafeReplaceTest, GatheredPiecesArriveWholeHoweverTheSystemCutsThem) {
    std::string big(10000, 'b');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
    const std::string parts[] = {"head", "", "group", big, "x", "y", "z", "1", "2", "3", "tail"};
    std::vector<ByteView> pieces;
    std::string expected;
    for (const std::string& part : parts) {
        pieces.emplace_back(reinterpret_cast<const std::uint8_t*>(part.data()), part.size());
        expected += part;
    }
    const auto write_pieces = [&] {
        StagedReplacement staged;
        EXPECT_EQ(staged.begin(target()), 0);
        const bool written = staged.write(pieces);
        return std::pair(written, written ? staged.commit() : staged.error());
    };
    EXPECT_EQ(write_pieces(), std::pair(true, 0));
    EXPECT_EQ(read_bytes(target_), expected);

    // At most 7 bytes per call: pieces are cut anywhere, also inside the first one.
    system_calls().writev = [](int fd, const iovec* vector, int count) -> ssize_t {
        std::size_t room = 7;
        ssize_t done = 0;
        for (int i = 0; i < count && room > 0; ++i) {
            const std::size_t step = std::min(room, vector[i].iov_len);
            const ssize_t wrote = ::write(fd, vector[i].iov_base, step);
            if (wrote < 0) return -1;
            done += wrote;
            room -= step;
        }
        return done;
    };
    system_calls().write = [](int fd, const void* data, size_t size) -> ssize_t {
        return real_system_calls().write(fd, data, std::min<size_t>(size, 5));
    };
    write_bytes(target_, "old");
    EXPECT_EQ(write_pieces(), std::pair(true, 0));
    EXPECT_EQ(read_bytes(target_), expected);

    system_calls().writev = [](int, const iovec*, int) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    write_bytes(target_, "old");
    EXPECT_EQ(write_pieces(), std::pair(false, ENOSPC));
    EXPECT_EQ(read_bytes(target_), "old");
    EXPECT_EQ(names_in(folder_), std::vector<std::string>{"settings.ini"});
}

// A target that is the protected file itself, by a link or as a hard link, is never replaced;
// any other target is, and a missing one is made.
TEST_F(SafeReplaceTest, ATargetThatIsTheKeptFileIsLeftAlone) {
    const fs::path input = folder_ / "plan.dxf";
    ReplaceOptions options;
    options.keep_target_if_same_as = from_utf8(input.string());
    const auto stage = [&](const fs::path& target) {
        StagedReplacement staged;
        EXPECT_EQ(staged.begin(from_utf8(target.string()), options), 0);
        staged.write("copy", 4);
        const int error = staged.commit();
        return std::pair(error, staged.kept_target());
    };
    for (bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed" : "named");
        system_calls() = real_system_calls();
        if (!unnamed) without_unnamed_files();
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        write_bytes(folder_ / "drawing", "input");
        fs::create_symlink("drawing", input);
        const fs::path copy = folder_ / "plan.1008.dxf";
        fs::create_hard_link(folder_ / "drawing", copy);
        EXPECT_EQ(stage(copy), std::pair(EEXIST, true));
        EXPECT_EQ(stage(folder_ / "drawing"), std::pair(EEXIST, true));
        EXPECT_EQ(read_bytes(folder_ / "drawing"), "input");
        EXPECT_EQ(names_in(folder_),
                  (std::vector<std::string>{"drawing", "plan.1008.dxf", "plan.dxf"}));

        fs::remove(copy);
        EXPECT_EQ(stage(copy), std::pair(0, false));
        write_bytes(folder_ / "other", "other");
        EXPECT_EQ(stage(folder_ / "other"), std::pair(0, false));
        EXPECT_EQ(read_bytes(folder_ / "other"), "copy");
        EXPECT_EQ(read_bytes(folder_ / "drawing"), "input");
    }
}

TEST_F(SafeReplaceTest, ModesAreKeptNarrowedOrRespected) {
    ::chmod(target_.c_str(), 0640);
    ReplaceOptions keep;
    keep.keep_mode = true;
    ASSERT_EQ(replace_file(target(), "kept", keep), 0);
    EXPECT_EQ(fs::status(target_).permissions(), fs::perms(0640));

    // A read-only file stays as it is when the caller asks for that.
    ::chmod(target_.c_str(), 0440);
    keep.refuse_read_only = true;
    EXPECT_EQ(replace_file(target(), "changed", keep), EACCES);
    EXPECT_EQ(read_bytes(target_), "kept");

    // Group and others get no more than on the model; the owner keeps writing.
    const fs::path model = folder_ / "model";
    write_bytes(model, "");
    ::chmod(model.c_str(), 0400);
    ReplaceOptions narrowed;
    narrowed.narrow_like = from_utf8(model.string());
    const mode_t old_mask = ::umask(022);
    EXPECT_EQ(replace_file(from_utf8((folder_ / "copy").string()), "c", narrowed), 0);
    ::umask(old_mask);
    EXPECT_EQ(fs::status(folder_ / "copy").permissions(), fs::perms(0600));
}

TEST_F(SafeReplaceTest, OnlyStaleStagedFilesOfOursAreSwept) {
    const auto plant = [&](const std::string& name, int age_seconds) {
        write_bytes(folder_ / name, "left");
        const timespec times[2] = {{::time(nullptr) - age_seconds, 0},
                                   {::time(nullptr) - age_seconds, 0}};
        ::utimensat(AT_FDCWD, (folder_ / name).c_str(), times, 0);
    };
    plant(".plan.1008.dxf.0123abcd.tmp", 3600);  // a killed writer's
    plant(".plan.1008.dxf.4567cdef.tmp", 3600);  // a live writer's, locked below
    plant(".plan.1008.dxf.89abcdef.tmp", 0);     // just made: its writer may not have locked yet
    plant("plan.0123abcd.tmp", 3600);            // not hidden: not ours
    plant(".plan.dxf.tmp", 3600);                // no random part: not ours
    const int live = ::open((folder_ / ".plan.1008.dxf.4567cdef.tmp").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);

    ASSERT_EQ(replace_file(target(), "new"), 0);
    ::close(live);
    EXPECT_EQ(names_in(folder_), (std::vector<std::string>{
                                     ".plan.1008.dxf.4567cdef.tmp", ".plan.1008.dxf.89abcdef.tmp",
                                     ".plan.dxf.tmp", "plan.0123abcd.tmp", "settings.ini"}));
}

TEST_F(SafeReplaceTest, ReadsRegularFilesOnly) {
    int error = 0;
    EXPECT_EQ(read_regular_file(target(), error), "old");
    EXPECT_EQ(error, 0);
    EXPECT_FALSE(read_regular_file(from_utf8((folder_ / "missing").string()), error));
    EXPECT_EQ(error, ENOENT);
    const fs::path fifo = folder_ / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(read_regular_file(from_utf8(fifo.string()), error));  // does not wait
    EXPECT_EQ(error, EINVAL);
}

}  // namespace
}  // namespace vermark::platform
