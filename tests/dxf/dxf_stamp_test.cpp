#include "dxf/dxf_stamp.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string>

#include "dxf_fixtures.h"
#ifndef _WIN32
#include "platform/posix/system_calls.h"
#endif
#include "platform/safe_replace.h"
#include "text/text_writer.h"

namespace vermark {
namespace {

namespace fs = std::filesystem;
using testing::fresh_folder;
using testing::group;
using testing::inserted_after;
using testing::read_bytes;
using testing::small_dxf;
using testing::wide_path;
using testing::write_bytes;

// Stamps `bytes` written to a fresh file and checks that the input survived unchanged.
struct Stamped {
    StampResult result;
    std::string output;  // the copy's bytes, empty when there is none
    fs::path folder;
};

Stamped stamp_bytes(const std::string& bytes, const std::string& name = "plan.dxf") {
    Stamped stamped;
    stamped.folder = fresh_folder("stamp");
    const fs::path input = stamped.folder / name;
    write_bytes(input, bytes);
    stamped.result = stamp_dxf(wide_path(input));
    EXPECT_EQ(read_bytes(input), bytes) << "the input changed";
    const fs::path output = fs::path(platform::to_utf8(stamped.result.output_path));
    if (fs::exists(output)) stamped.output = read_bytes(output);
    return stamped;
}

// Nothing but the input (and what the test put there) is left in the folder.
std::size_t files_in(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(StampDxf, CrLfFileGetsTheGroupRightAfterTheHeaderNameLine) {
    const std::string text = small_dxf("\r\n");
    const Stamped s = stamp_bytes(text);
    ASSERT_EQ(s.result.outcome, StampOutcome::written) << platform::to_utf8(s.result.reason);
    // Eight characters behind "HEADER": the name and its CR LF.
    std::string expected = text;
    expected.insert(text.find("HEADER") + 8, "  9\r\n$ACADVER\r\n  1\r\nAC1008\r\n");
    EXPECT_EQ(s.output, expected);
    EXPECT_EQ(s.result.output_code, encoding::kAscii);  // its bytes are kept
    EXPECT_TRUE(s.result.reason.empty());
    EXPECT_EQ(s.result.head_text, platform::from_utf8(expected));
}

TEST(StampDxf, LfAndCrFilesKeepTheirOwnLineEnds) {
    for (std::string_view le : {"\n", "\r"}) {
        const std::string text = small_dxf(le);
        const Stamped s = stamp_bytes(text);
        ASSERT_EQ(s.result.outcome, StampOutcome::written);
        EXPECT_EQ(s.output,
                  inserted_after(text, std::string("HEADER") + std::string(le), group(le)));
    }
    // The name line is the last line, ended by a lone CR: the group goes at the very end.
    const std::string cut = "  0\rSECTION\r  2\rHEADER\r";
    EXPECT_EQ(stamp_bytes(cut).output, cut + group("\r"));
}

TEST(StampDxf, HeaderWordsBeforeTheSectionAreNotTheAnchor) {
    const std::string text =
        "999\r\nHEADER\r\n999\r\nmade by a HEADER writer\r\n" + small_dxf("\r\n");
    const Stamped s = stamp_bytes(text);
    ASSERT_EQ(s.result.outcome, StampOutcome::written);
    EXPECT_EQ(s.output, inserted_after(text, "SECTION\r\n  2\r\nHEADER\r\n", group("\r\n")));
}

TEST(StampDxf, FileWithoutHeaderSectionIsNotWritten) {
    const std::string text =
        "  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  1\nHEADER\n  0\nENDSEC\n  0\nEOF\n";
    const Stamped s = stamp_bytes(text);
    EXPECT_EQ(s.result.outcome, StampOutcome::not_eligible);
    EXPECT_EQ(s.result.refusal, DxfRefusal::no_header_section);
    EXPECT_EQ(s.result.reason, u"no HEADER section");
    EXPECT_EQ(files_in(s.folder), 1u);  // no copy, no temporary file
}

TEST(StampDxf, KeptEncodingsKeepEveryByte) {
    // Zero bytes, malformed UTF-8, an invalid Shift_JIS pair and text after the zero byte.
    const std::string tail = std::string("999\nA\0B\n999\n\xE3\x81\n999\n\x81\x20\xFF\n", 23);
    const std::string text = small_dxf("\n") + tail;
    const Stamped s = stamp_bytes(text);
    ASSERT_EQ(s.result.outcome, StampOutcome::written);
    EXPECT_EQ(s.output, inserted_after(text, "HEADER\n", group("\n")));
}

TEST(StampDxf, Utf8MarkIsDropped) {
    const std::string text = small_dxf("\r\n", "999\r\n\xE5\x9B\xB3\xE9\x9D\xA2\r\n");
    const Stamped s = stamp_bytes("\xEF\xBB\xBF" + text);
    ASSERT_EQ(s.result.outcome, StampOutcome::written);
    EXPECT_EQ(s.output, inserted_after(text, "HEADER\r\n", group("\r\n")));
    EXPECT_EQ(s.result.output_code, encoding::kUtf8);
}

TEST(StampDxf, Utf16LittleEndianKeepsItsMarkUnitsAndOddByte) {
    const std::string text = small_dxf("\r\n", "999\r\n\xE5\x9B\xB3\r\n");
    const std::string zero_unit("\0\0", 2);
    const std::string input = testing::utf16_bytes_of(text, false, true) + zero_unit + "Z";
    const Stamped s = stamp_bytes(input);
    ASSERT_EQ(s.result.outcome, StampOutcome::written);
    const std::string expected =
        testing::utf16_bytes_of(inserted_after(text, "HEADER\r\n", group("\r\n")), false, true) +
        zero_unit + "Z";
    EXPECT_EQ(s.output, expected);
    EXPECT_EQ(s.result.output_code, encoding::kUtf16);
}

TEST(StampDxf, BigEndianUtf16AndUtf32AreWrittenAsShiftJis) {
    const std::string text = small_dxf("\r\n", "999\r\n\xE5\x9B\xB3\xE9\x9D\xA2\r\n");
    const platform::ByteBuffer sjis =
        sjis_bytes(platform::from_utf8(inserted_after(text, "HEADER\r\n", group("\r\n"))));
    const std::string expected(sjis.begin(), sjis.end());
    for (const std::string& input :
         {testing::utf16_bytes_of(text, true, true), testing::utf32_bytes_of(text, false),
          testing::utf32_bytes_of(text, true)}) {
        const Stamped s = stamp_bytes(input);
        ASSERT_EQ(s.result.outcome, StampOutcome::written);
        EXPECT_EQ(s.output, expected);
        EXPECT_EQ(s.result.output_code, encoding::kShiftJis);
    }
    // Big-endian UTF-16 text ends at its first zero unit, as when it is read.
    const std::string cut = testing::utf16_bytes_of(text, true, true) + std::string("\0\0", 2) +
                            testing::utf16_bytes_of("999\nlost\n", true, false);
    EXPECT_EQ(stamp_bytes(cut).output, expected);
}

TEST(StampDxf, VersionBeyondTheHeadWritesNothingAndReportsIt) {
    const std::string comment = "999\n" + std::string(20000, 'x') + "\n";
    const std::string text =
        inserted_after(small_dxf("\n"), "HEADER\n", comment + "  9\n$ACADVER\n  1\nAC1015\n");
    const fs::path folder = fresh_folder("late");
    write_bytes(folder / "late.dxf", text);
    write_bytes(folder / "late.1008.dxf", "an earlier copy");

    const StampResult result = stamp_dxf(wide_path(folder / "late.dxf"));
    EXPECT_EQ(result.outcome, StampOutcome::not_eligible);
    EXPECT_EQ(result.refusal, DxfRefusal::version_recorded);
    EXPECT_EQ(result.version, u"AC1015");
    EXPECT_EQ(result.reason, u"already AC1015");
    EXPECT_EQ(read_bytes(folder / "late.1008.dxf"), "an earlier copy");
    EXPECT_EQ(files_in(folder), 2u);
}

TEST(StampDxf, NamesTheCopyAndReplacesAnEarlierOne) {
    const fs::path folder = fresh_folder("names");
    write_bytes(folder / "a.b.dxf", small_dxf("\n"));
    write_bytes(folder / "a.b.1008.dxf", "an earlier copy that is longer than nothing");
    const StampResult result = stamp_dxf(wide_path(folder / "a.b.dxf"));
    ASSERT_EQ(result.outcome, StampOutcome::written);
    EXPECT_EQ(result.output_path, wide_path(folder / "a.b.1008.dxf"));
    EXPECT_EQ(read_bytes(folder / "a.b.1008.dxf"),
              inserted_after(small_dxf("\n"), "HEADER\n", group("\n")));
    EXPECT_EQ(files_in(folder), 2u);

    EXPECT_EQ(stamped_path_of(u"/d/plan"), u"/d/plan.1008.dxf");
    EXPECT_EQ(stamped_path_of(u"/d/plan.DXF"), u"/d/plan.1008.dxf");
    EXPECT_EQ(stamped_path_of(u"plan.dxf"), u"plan.1008.dxf");
    EXPECT_EQ(stamped_path_of(u"/d/why?.dxf"), u"/d/why?.1008.dxf");
    EXPECT_EQ(stamped_path_of(u"/d.x/plan"), u"/d.x/plan.1008.dxf");
#ifdef _WIN32
    // A folder's dot is not the name's: on Windows '\' separates too.
    EXPECT_EQ(stamped_path_of(u"C:\\d.x\\plan"), u"C:\\d.x\\plan.1008.dxf");
    EXPECT_EQ(stamped_path_of(u"\\\\srv\\d.x\\plan.DXF"), u"\\\\srv\\d.x\\plan.1008.dxf");
#endif
}

TEST(StampDxf, LongestNamesStillGetTheirCopy) {
    // The copy's name is 255 bytes, the most a name may have: its temporary name must fit too.
    const fs::path folder = fresh_folder("long");
    const std::string stem(246, 'x');
    write_bytes(folder / (stem + ".dxf"), small_dxf("\n"));
    const StampResult result = stamp_dxf(wide_path(folder / (stem + ".dxf")));
    ASSERT_EQ(result.outcome, StampOutcome::written) << platform::to_utf8(result.reason);
    EXPECT_TRUE(fs::exists(folder / (stem + ".1008.dxf")));
    EXPECT_EQ(files_in(folder), 2u);
}

#ifndef _WIN32
TEST(StampDxf, BackslashInAFileNameIsPartOfTheName) {
    // Unpacked from a Windows archive: the copy must stay beside it, not go into "plans/".
    const fs::path folder = fresh_folder("backslash");
    fs::create_directory(folder / "plans");
    write_bytes(folder / "plans\\ground.dxf", small_dxf("\n"));
    const StampResult result = stamp_dxf(wide_path(folder / "plans\\ground.dxf"));
    ASSERT_EQ(result.outcome, StampOutcome::written) << platform::to_utf8(result.reason);
    EXPECT_EQ(result.output_path, wide_path(folder / "plans\\ground.1008.dxf"));
    EXPECT_TRUE(fs::exists(folder / "plans\\ground.1008.dxf"));
    EXPECT_TRUE(fs::is_empty(folder / "plans"));
}
#else
VERMARK_SKIPPED_ON_WINDOWS(StampDxf, BackslashInAFileNameIsPartOfTheName,
                           "a backslash separates folders on Windows")
#endif

#ifndef _WIN32
TEST(StampDxf, CopyOfAPrivateDrawingIsPrivate) {
    const fs::path folder = fresh_folder("private");
    write_bytes(folder / "plan.dxf", small_dxf("\n"));
    fs::permissions(folder / "plan.dxf", fs::perms::owner_read);  // read-only, and private
    ASSERT_EQ(stamp_dxf(wide_path(folder / "plan.dxf")).outcome, StampOutcome::written);
    // Nobody else may read the copy; its owner may still edit it.
    EXPECT_EQ(fs::status(folder / "plan.1008.dxf").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}
#else
VERMARK_SKIPPED_ON_WINDOWS(StampDxf, CopyOfAPrivateDrawingIsPrivate,
                           "POSIX modes; the folder access list decides on Windows")
#endif

#ifndef _WIN32
TEST(StampDxf, AnInputThatIsItsOwnCopyIsLeftAlone) {
    const fs::path folder = fresh_folder("self");
    const std::string text = small_dxf("\n");
    write_bytes(folder / "plan.1008.dxf", text);
    fs::create_symlink("plan.1008.dxf", folder / "plan.dxf");
    const StampResult result = stamp_dxf(wide_path(folder / "plan.dxf"));
    EXPECT_EQ(result.outcome, StampOutcome::failed);
    EXPECT_EQ(result.reason,
              u"the copy " + wide_path(folder / "plan.1008.dxf") + u" would replace the input");
    EXPECT_EQ(read_bytes(folder / "plan.dxf"), text);
    EXPECT_EQ(files_in(folder), 2u);
}
#else
VERMARK_SKIPPED_ON_WINDOWS(StampDxf, AnInputThatIsItsOwnCopyIsLeftAlone,
                           "symbolic links need a privilege on Windows")
#endif

TEST(StampDxf, FailuresWriteNothingAndSaySo) {
    const fs::path folder = fresh_folder("fail");
    write_bytes(folder / "plan.dxf", small_dxf("\n"));
    fs::create_directory(folder / "plan.1008.dxf");  // the target cannot be replaced
    const StampResult blocked = stamp_dxf(wide_path(folder / "plan.dxf"));
    EXPECT_EQ(blocked.outcome, StampOutcome::failed);
    EXPECT_NE(blocked.reason.find(u"cannot replace"), std::u16string::npos);
    EXPECT_TRUE(fs::is_directory(folder / "plan.1008.dxf"));
    EXPECT_EQ(files_in(folder), 2u);

    const StampResult folder_input = stamp_dxf(wide_path(folder / "plan.1008.dxf"));
    EXPECT_EQ(folder_input.outcome, StampOutcome::failed);
    EXPECT_EQ(folder_input.reason, u"cannot read: Is a directory");
    EXPECT_EQ(files_in(folder), 2u);

    const StampResult missing = stamp_dxf(wide_path(folder / "missing.dxf"));
    EXPECT_EQ(missing.outcome, StampOutcome::failed);
    EXPECT_EQ(missing.reason, u"cannot open: No such file or directory");
    EXPECT_FALSE(fs::exists(folder / "missing.1008.dxf"));
}

// A 999 comment of exactly `size` bytes.
std::string comment_of_size(std::size_t size, std::string_view le) {
    return "999" + std::string(le) + std::string(size - 3 - 2 * le.size(), 'p') + std::string(le);
}

TEST(StampDxf, ChunkBoundariesChangeNothing) {
    constexpr std::size_t kChunk = 256 * 1024;
    // The HEADER name line's CR is the last byte of the first chunk read.
    for (std::string_view le : {"\r\n", "\r"}) {
        const std::string dxf = small_dxf(le);
        const std::size_t header_end = dxf.find("HEADER") + 6;
        const std::string text = comment_of_size(kChunk - 1 - header_end, le) + dxf;
        ASSERT_EQ(text.find("HEADER") + 6, kChunk - 1);
        const Stamped s = stamp_bytes(text);
        ASSERT_EQ(s.result.outcome, StampOutcome::written);
        EXPECT_EQ(s.output, inserted_after(text, "HEADER" + std::string(le), group(le)));
    }
    // A "$ACADVER" that the chunk boundary cuts is still found.
    std::string text = small_dxf("\n");
    text += comment_of_size(kChunk - 7 - text.size(), "\n");
    text += "  9\n$ACADVER\n  1\nAC1012\n";
    ASSERT_EQ(text.find("$ACADVER"), kChunk - 3);
    const Stamped s = stamp_bytes(text);
    EXPECT_EQ(s.result.outcome, StampOutcome::not_eligible);
    EXPECT_EQ(s.result.version, u"AC1012");
}

// Large enough that most of it is copied behind the first chunks.
std::string large_tail(std::string_view le) {
    std::string tail;
    for (int i = 0; tail.size() < 700 * 1024; ++i)
        tail += "999" + std::string(le) + "line " + std::to_string(i) + std::string(le);
    return tail;
}

TEST(StampDxf, LargeDrawingsKeepEveryByteHoweverTheTailIsCopied) {
    const std::string text = small_dxf("\r\n", large_tail("\r\n"));
    const std::string expected = inserted_after(text, "HEADER\r\n", group("\r\n"));
    const std::string odd_utf16 = testing::utf16_bytes_of(text, false, true) + "Z";
    const std::string utf16_expected = testing::utf16_bytes_of(expected, false, true) + "Z";
    const auto expect_exact_copies = [&] {
        EXPECT_EQ(stamp_bytes(text).output, expected);
        EXPECT_EQ(stamp_bytes("\xEF\xBB\xBF" + text).output, expected);
        const Stamped utf16 = stamp_bytes(odd_utf16);
        EXPECT_EQ(utf16.output, utf16_expected);
        // The shown head is still the copy's first bytes (its mark and 8191 units).
        EXPECT_EQ(utf16.result.head_text,
                  platform::from_utf8(expected.substr(0, kDxfHeadLimit / 2 - 1)));
    };
    expect_exact_copies();
}

// A version in the last chunk, after the ones before it went to the copy: still no copy, and
// an earlier copy stays.
TEST(StampDxf, AVersionBehindChunksAlreadyWrittenLeavesNoCopy) {
    const std::string text = small_dxf("\n", large_tail("\n")) + "  9\n$ACADVER\n  1\nAC1015\n";
    const fs::path folder = fresh_folder("late-large");
    write_bytes(folder / "late.dxf", text);
    const StampResult first = stamp_dxf(wide_path(folder / "late.dxf"));
    EXPECT_EQ(first.outcome, StampOutcome::not_eligible);
    EXPECT_EQ(first.version, u"AC1015");
    EXPECT_EQ(files_in(folder), 1u);

    write_bytes(folder / "late.1008.dxf", "an earlier copy");
    EXPECT_EQ(stamp_dxf(wide_path(folder / "late.dxf")).outcome, StampOutcome::not_eligible);
    EXPECT_EQ(read_bytes(folder / "late.1008.dxf"), "an earlier copy");
    EXPECT_EQ(files_in(folder), 2u);
}

#ifndef _WIN32
std::atomic<int> g_writes_left{0};

// Writes until the count runs out, then finds the disk full.
ssize_t write_until_full(int fd, const void* data, size_t size) {
    if (g_writes_left.fetch_sub(1) <= 0) {
        errno = ENOSPC;
        return -1;
    }
    return platform::real_system_calls().write(fd, data, size);
}

TEST(StampDxf, ADiskFullWhileTheTailIsWrittenLeavesNothing) {
    const std::string text = small_dxf("\n", large_tail("\n"));
    // Three chunks: the first goes out in one gathered write, each later one in a plain write;
    // the disk fills at the second or the last.
    for (int writes : {0, 1}) {
        g_writes_left = writes;
        platform::system_calls().write = write_until_full;
        const Stamped s = stamp_bytes(text);
        platform::system_calls() = platform::real_system_calls();
        EXPECT_EQ(s.result.outcome, StampOutcome::failed) << writes;
        EXPECT_EQ(s.result.failure, StampFailure::cannot_write) << writes;
        EXPECT_EQ(s.result.reason, u"disk full while writing " + s.result.output_path) << writes;
        EXPECT_EQ(files_in(s.folder), 1u) << writes;
    }
}
#endif

#ifndef _WIN32
int g_stalled_signal = -1;

// A write that tells the test it has started and then never returns.
ssize_t stalled_write(int, const void*, size_t) {
    const char started = 1;
    (void)::write(g_stalled_signal, &started, 1);
    for (;;) ::pause();
}

int open_without_unnamed_files(const char* path, int flags, mode_t mode) {
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return platform::real_system_calls().open(path, flags, mode);
}

// Stamps in a child process that gets `signal` while it writes the copy.
void stamp_killed_midway(const fs::path& input, bool unnamed_files, int signal = SIGKILL) {
    int signal_pipe[2];
    ASSERT_EQ(::pipe(signal_pipe), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        g_stalled_signal = signal_pipe[1];
        platform::system_calls().write = stalled_write;
        if (!unnamed_files) platform::system_calls().open = open_without_unnamed_files;
        platform::remove_staged_files_on_termination();
        stamp_dxf(wide_path(input));
        ::_exit(1);
    }
    ::close(signal_pipe[1]);
    char started = 0;
    EXPECT_EQ(::read(signal_pipe[0], &started, 1), 1);
    ::close(signal_pipe[0]);
    ::kill(child, signal);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
}

// A fresh folder with plan.dxf, a drawing written in several steps.
fs::path folder_with_large_drawing(std::string_view name, const std::string& text) {
    const fs::path folder = fresh_folder(name);
    write_bytes(folder / "plan.dxf", text);
    return folder;
}

TEST(StampDxf, AStampKilledMidwayLeavesNothingBehind) {
    const std::string text = small_dxf("\n", large_tail("\n"));
    const fs::path folder = folder_with_large_drawing("killed", text);
    stamp_killed_midway(folder / "plan.dxf", true);
    EXPECT_EQ(files_in(folder), 1u);
    EXPECT_EQ(read_bytes(folder / "plan.dxf"), text);
    // Without unnamed files, Ctrl-C, a kill or a closed terminal still leave nothing.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        stamp_killed_midway(folder / "plan.dxf", false, signal);
        EXPECT_EQ(files_in(folder), 1u) << signal;
    }
}

// Where the file system has no unnamed files, the staged file a killed stamp leaves is removed
// by the next stamp in that folder once it is old and nobody holds it.
TEST(StampDxf, AStagedFileAKilledStampLeftIsRemovedNextTime) {
    const std::string text = small_dxf("\n", large_tail("\n"));
    const fs::path folder = folder_with_large_drawing("killed-named", text);
    stamp_killed_midway(folder / "plan.dxf", false);
    ASSERT_EQ(files_in(folder), 2u);
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename() == "plan.dxf") continue;
        EXPECT_EQ(entry.path().filename().string().substr(0, 15), ".plan.1008.dxf.");
        const timespec hour_ago[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
        ::utimensat(AT_FDCWD, entry.path().c_str(), hour_ago, 0);
    }
    EXPECT_EQ(stamp_dxf(wide_path(folder / "plan.dxf")).outcome, StampOutcome::written);
    EXPECT_EQ(files_in(folder), 2u);  // the input and its copy
    EXPECT_EQ(read_bytes(folder / "plan.1008.dxf"), inserted_after(text, "HEADER\n", group("\n")));
}
#endif  // the system-call seam, fork and signals are Linux-only

}  // namespace
}  // namespace vermark
