#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "diag/log.h"
#include "dxf/dxf_stamp.h"
#include "dxf_fixtures.h"
#include "platform/wide.h"
#include "text/text_reader.h"

namespace vermark {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::fresh_folder;
using testing::inserted_after;
using testing::small_dxf;
using testing::wide_path;
using testing::write_bytes;

std::u16string file_with(const std::string& bytes, const std::string& name = "plan.dxf") {
    const fs::path path = fresh_folder("inspect") / name;
    write_bytes(path, bytes);
    return wide_path(path);
}

const std::string kVersioned = "  9\r\n$ACADVER\r\n  1\r\nAC1015\r\n";

TEST(InspectDxf, ShowsEncodingAndRecordedVersion) {
    // UTF-8 with a Japanese comment, version AC1015: not eligible.
    const std::u16string path =
        file_with(small_dxf("\r\n", kVersioned + "999\r\n\xE5\x9B\xB3\xE9\x9D\xA2\r\n"));
    const DxfInspection seen = inspect_dxf(path);
    EXPECT_EQ(seen.text_code, encoding::kUtf8);
    EXPECT_EQ(seen.info, u"UTF_8   AC1015");
    EXPECT_TRUE(seen.has_acadver);
    EXPECT_FALSE(seen.eligible);
    EXPECT_TRUE(seen.stamp_path.empty());
    EXPECT_EQ(seen.refusal, DxfRefusal::version_recorded);
    EXPECT_EQ(seen.reason, u"already AC1015");
    EXPECT_NE(seen.head_text.find(u"\u56f3\u9762"), std::u16string::npos);
}

TEST(InspectDxf, ShiftJisFileWithoutVersionCanBeStamped) {
    const std::u16string path = file_with(small_dxf("\r\n", "999\r\n\x90\x7D\x96\xCA\r\n"));
    const DxfInspection seen = inspect_dxf(path);
    EXPECT_EQ(seen.text_code, encoding::kShiftJis);
    EXPECT_EQ(seen.info, u"Shift_JIS");
    EXPECT_TRUE(seen.eligible);
    EXPECT_EQ(seen.stamp_path, path);
    EXPECT_EQ(seen.refusal, DxfRefusal::none);
    EXPECT_NE(seen.head_text.find(u"\u56f3\u9762"), std::u16string::npos);
}

TEST(InspectDxf, VersionWithoutValueOrCutShort) {
    // No "AC" within reach: only the name is shown, and the file is still not eligible.
    const DxfInspection none = inspect_dxf(
        file_with(inserted_after(small_dxf("\n"), "HEADER\n", "  9\n$ACADVER\n  1\n\n")));
    EXPECT_EQ(none.info, u"ASCII");
    EXPECT_TRUE(none.has_acadver);
    EXPECT_FALSE(none.eligible);
    EXPECT_EQ(none.reason, u"already has $ACADVER");
    // A version at the very end of the text is shown as far as it goes.
    const DxfInspection cut =
        inspect_dxf(file_with("  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1"));
    EXPECT_EQ(cut.info, u"ASCII   AC1");
}

TEST(InspectDxf, EncodingIsThatOfTheWholeFileAndTheHeadEndsAtZero) {
    std::string text = small_dxf("\n");
    text.insert(text.find("  0\nENDSEC"), "999\nA\0B\n"s);
    text += std::string(40000, '\n') + "999\n\x90\x7D\n";  // Shift_JIS far beyond the head
    const DxfInspection seen = inspect_dxf(file_with(text));
    EXPECT_EQ(seen.info, u"Shift_JIS");
    EXPECT_EQ(seen.head_text.back(), u'A');
    EXPECT_TRUE(seen.eligible);
}

TEST(InspectDxf, VersionBeyondTheHeadCountsOnlyWhenTheWholeTextIsSearched) {
    const std::string text =
        inserted_after(small_dxf("\n"), "HEADER\n",
                       "999\n" + std::string(20000, 'x') + "\n  9\n$ACADVER\n  1\nAC1009\n");
    const std::u16string path = file_with(text);
    const DxfInspection head = inspect_dxf(path);
    EXPECT_TRUE(head.eligible);
    EXPECT_EQ(head.info, u"ASCII");
    const DxfInspection whole = inspect_dxf(path, true);
    EXPECT_FALSE(whole.eligible);
    EXPECT_EQ(whole.info, u"ASCII   AC1009");
    EXPECT_EQ(whole.version, u"AC1009");
}

TEST(InspectDxf, PiecesAfterTheFirstChangeNothing) {
    // Pieces of plain ASCII are passed over quickly: what reaches into them must still count.
    constexpr std::size_t kPiece = 256 * 1024;
    const std::string dxf = small_dxf("\n");
    // The drawing, then a comment that fills it up to `size` bytes.
    auto filled = [&](std::size_t size) {
        return dxf + "999\n" + std::string(size - dxf.size() - 5, 'p') + "\n";
    };
    // A Shift_JIS lead byte ends the first piece; its partner starts the second.
    const std::string sjis = filled(kPiece - 5) + "999\n\x82" + "A\n" + std::string(kPiece, 'q');
    ASSERT_EQ(sjis[kPiece - 1], '\x82');
    EXPECT_EQ(inspect_dxf(file_with(sjis), true).info, u"Shift_JIS");
    // "$ACADVER" cut by the end of the first piece; the second holds no '$' of its own.
    const std::string cut = filled(kPiece - 4) + "$ACADVER\n  1\nAC1012\n";
    ASSERT_EQ(cut.find("$ACADVER"), kPiece - 4);
    EXPECT_EQ(inspect_dxf(file_with(cut), true).info, u"ASCII   AC1012");
    // A lone byte of 0x80 and above in the third piece.
    EXPECT_EQ(inspect_dxf(file_with(filled(2 * kPiece + 10) + "\xE9\n"), true).info, u"Unknown");
}

TEST(InspectDxf, NotEligibleWithoutHeaderSection) {
    // "SECTION" and "HEADER" occur, but not as the HEADER section.
    const DxfInspection seen = inspect_dxf(
        file_with("  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  1\nHEADER\n  0\nENDSEC\n  0\nEOF\n"));
    EXPECT_FALSE(seen.eligible);
    EXPECT_EQ(seen.refusal, DxfRefusal::no_header_section);
    EXPECT_EQ(seen.reason, u"no HEADER section");
    // Lower case does not count either.
    EXPECT_FALSE(inspect_dxf(file_with("  0\nsection\n  2\nheader\n")).eligible);
}

TEST(InspectDxf, UnreadableFileIsNamedAsciiAndRefused) {
    const std::u16string path = wide_path(fresh_folder("gone") / "gone.dxf");
    const DxfInspection seen = inspect_dxf(path);
    EXPECT_EQ(seen.info, u"ASCII");
    EXPECT_FALSE(seen.eligible);
    EXPECT_EQ(seen.refusal, DxfRefusal::unreadable);
    EXPECT_EQ(seen.reason, u"cannot open: No such file or directory");
    EXPECT_TRUE(seen.head_text.empty());
}

#ifndef _WIN32
TEST(InspectDxf, APipeIsRefusedWithoutWaiting) {
    const fs::path folder = fresh_folder("not_files");
    const fs::path pipe = folder / "plan.dxf";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);  // no writer: a blocking open would never return
    const DxfInspection seen = inspect_dxf(wide_path(pipe));
    EXPECT_EQ(seen.refusal, DxfRefusal::unreadable);
    EXPECT_EQ(seen.reason, u"cannot open: not a regular file");
    EXPECT_EQ(stamp_dxf(wide_path(pipe)).outcome, StampOutcome::failed);
    EXPECT_FALSE(fs::exists(folder / "plan.1008.dxf"));
}
#else
VERMARK_SKIPPED_ON_WINDOWS(InspectDxf, APipeIsRefusedWithoutWaiting,
                           "no FIFOs on Windows (devices are covered by StampOnWindows)")
#endif

TEST(ReadHead, GivesTheFirstBytesInABufferOfTwiceTheLimitPlusTwo) {
    const std::string bytes = "0123456789";
    const std::u16string path = file_with(bytes);
    const platform::ByteBuffer head = ReadHead(path, 4);
    ASSERT_EQ(head.size(), 10u);
    EXPECT_EQ(std::string(head.begin(), head.begin() + 4), "0123");
    EXPECT_EQ(std::count(head.begin() + 4, head.end(), 0), 6);

    const platform::ByteBuffer whole = ReadHead(path, kDxfHeadLimit);
    ASSERT_EQ(whole.size(), 32770u);
    EXPECT_EQ(std::string(whole.begin(), whole.begin() + 10), bytes);
    EXPECT_EQ(std::count(whole.begin() + 10, whole.end(), 0), 32760);

    EXPECT_TRUE(ReadHead(path + u".missing", kDxfHeadLimit).empty());
    EXPECT_TRUE(ReadHead(u"", kDxfHeadLimit).empty());
}

TEST(ReadHead, AFolderIsLoggedAsUnopenableAndGivesNothing) {
    const fs::path folder = fresh_folder("head of a folder");
    EXPECT_TRUE(ReadHead(wide_path(folder), kDxfHeadLimit).empty());
    std::u16string logged;
    for (const auto& entry : fs::directory_iterator(platform::to_utf8(log_folder())))
        logged += read_text_file(wide_path(entry.path()));
    EXPECT_NE(logged.find(u"::ReadHead   Can't open   " + wide_path(folder) + u"\r\n"),
              std::u16string::npos);
}

}  // namespace
}  // namespace vermark
