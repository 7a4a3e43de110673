#include "text/text_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "diag/log.h"
#include "platform/file_lock.h"
#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"
#include "text/encoding.h"

namespace vermark {
namespace {

namespace fs = std::filesystem;
using testing::fresh_folder;
using testing::write_bytes;

using vermark::testing::wide_path;

platform::ByteBuffer bytes(std::string_view text) {
    return platform::ByteBuffer(text.begin(), text.end());
}

// "日本" in each form.
constexpr std::string_view kNihonUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC";
constexpr std::string_view kNihonSjis = "\x93\xFA\x96\x7B";
const std::u16string kNihon = u"\u65E5\u672C";

// Short retries so that waiting on a lock costs milliseconds; restored afterwards.
class QuickRetries {
  public:
    explicit QuickRetries(int attempts) : saved_(platform::open_retry_policy()) {
        platform::open_retry_policy() = {attempts, std::chrono::milliseconds(5)};
    }
    ~QuickRetries() { platform::open_retry_policy() = saved_; }

  private:
    platform::RetryPolicy saved_;
};

// Everything logged so far, as UTF-8.
std::string logged_text() {
    std::string all;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(platform::to_utf8(log_folder()), ec)) {
        const std::string raw = testing::read_bytes(entry.path());
        std::u16string text;
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
            text.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(raw[i]) |
                                                 static_cast<std::uint8_t>(raw[i + 1]) << 8));
        }
        all += platform::to_utf8(text);
    }
    return all;
}

TEST(DecodeTextTest, Utf8WithAndWithoutMark) {
    EXPECT_EQ(decode_text(bytes("\xEF\xBB\xBF" + std::string(kNihonUtf8))), kNihon);
    EXPECT_EQ(decode_text(bytes(kNihonUtf8)), kNihon);
    EXPECT_EQ(decode_text(bytes("\xEF\xBB\xBF")), u"");
}

TEST(DecodeTextTest, ShiftJisAsciiAndUnknownGoThroughCodePage932) {
    EXPECT_EQ(decode_text(bytes(kNihonSjis)), kNihon);
    EXPECT_EQ(decode_text(bytes("  0\r\nSECTION\r\n")), u"  0\r\nSECTION\r\n");
    // Unknown content (a lone half-width kana) is read as Shift_JIS too.
    EXPECT_EQ(decode_text(bytes("a\xB1z")), u"a\uFF71z");
    // A zero byte ends the text.
    EXPECT_EQ(decode_text(bytes(std::string(kNihonSjis) + std::string("\0tail", 5))), kNihon);
    EXPECT_EQ(decode_text(platform::ByteBuffer{}), u"");
}

TEST(DecodeTextTest, Utf16BothOrdersAndOddLengths) {
    EXPECT_EQ(decode_text(bytes(std::string("\xFF\xFE\xE5\x65\x2C\x67", 6))), kNihon);
    EXPECT_EQ(decode_text(bytes(std::string("\xFE\xFF\x65\xE5\x67\x2C", 6))), kNihon);
    // The text ends at the first zero unit.
    EXPECT_EQ(decode_text(bytes(std::string("\xFF\xFE"
                                            "a\0\0\0b\0",
                                            8))),
              u"a");
    // An odd last byte pairs with the terminating zero: low byte in LE, high byte in BE.
    EXPECT_EQ(decode_text(bytes(std::string("\xFF\xFE"
                                            "a\0b",
                                            5))),
              u"ab");
    EXPECT_EQ(decode_text(bytes(std::string("\xFE\xFF\0a\x30", 5))), u"a\u3000");
    EXPECT_EQ(decode_text(bytes("\xFF\xFE")), u"");
    EXPECT_EQ(decode_text(bytes("\xFE")), u"");
}

TEST(DecodeTextTest, Utf32DropsZeroHalvesAndKeepsPartialGroups) {
    const std::string le(
        "\xFF\xFE\0\0"
        "a\0\0\0"
        "\0\0\0\0"
        "b\0\0\0"
        "\xE5\x65\0\0",
        20);
    EXPECT_EQ(decode_text(bytes(le)), u"ab\u65E5");  // the zero character vanishes
    const std::string be(
        "\0\0\xFE\xFF"
        "\0\0\0a"
        "\0\0\x65\xE5",
        12);
    EXPECT_EQ(decode_text(bytes(be)), u"a\u65E5");
    // Above U+FFFF: low half, then high half, no surrogate pair.
    EXPECT_EQ(decode_text(bytes(std::string("\xFF\xFE\0\0\x00\xF6\x01\x00", 8))),
              std::u16string(u"\xF600\x0001"));
    // A partial last group reads as if padded with zero bytes.
    EXPECT_EQ(decode_text(bytes(std::string("\xFF\xFE\0\0"
                                            "a\0\0\0"
                                            "b\0",
                                            10))),
              u"ab");
    EXPECT_EQ(decode_text(bytes(std::string("\0\0\xFE\xFF"
                                            "\0\0\0a"
                                            "\0\0",
                                            10))),
              u"a");
}

TEST(DecodeTextTest, UnmarkedUtf16StopsAtTheFirstZeroByte) {
    EXPECT_EQ(decode_text(bytes(std::string("S\0E\0C\0", 6))), u"S");
}

TEST(DecodeTextTest, CallersBufferIsLeftAsRead) {
    const platform::ByteBuffer input = bytes(
        "\xEF\xBB\xBF"
        "abc");
    const platform::ByteBuffer copy = input;
    decode_text(input);
    EXPECT_EQ(input, copy);
}

TEST(ReadFileBytesTest, ReadsWholeFilesWithAnyBytesAndNames) {
    const fs::path folder = fresh_folder("read bytes");
    const fs::path japanese = folder / "日本語 の 図面.dxf";
    const std::string content("\0\xFF\xFE\r\n\x82\xA0 end", 11);
    write_bytes(japanese, content);
    const platform::ByteBuffer read = read_file_bytes(wide_path(japanese));
    EXPECT_EQ(std::string(read.begin(), read.end()), content);

    write_bytes(folder / "empty.txt", "");
    EXPECT_TRUE(read_file_bytes(wide_path(folder / "empty.txt")).empty());
}

TEST(ReadFileBytesTest, MissingFileFolderAndBadPathGiveUpAndLog) {
    const fs::path folder = fresh_folder("read fail");
    write_bytes(folder / "plain.txt", "x");
    // Retrying cannot help here, so even a generous policy returns at once.
    QuickRetries generous(2000);
    EXPECT_TRUE(read_file_bytes(wide_path(folder / "missing.dxf")).empty());
    EXPECT_TRUE(read_file_bytes(wide_path(folder)).empty());
    EXPECT_TRUE(read_file_bytes(wide_path(folder / "plain.txt" / "below.dxf")).empty());
    EXPECT_TRUE(read_file_bytes(u"").empty());
    const std::string log = logged_text();
    EXPECT_NE(log.find("Can't open rb  " + (folder / "missing.dxf").string()), std::string::npos);
    EXPECT_NE(log.find("Can't open rb  " + folder.string() + "\r\n"), std::string::npos);
}

TEST(ReadFileBytesTest, WaitsForAnotherProgramsExclusiveLock) {
    const fs::path path = fresh_folder("read locked") / "held.txt";
    write_bytes(path, "data");
    platform::LockedFile holder;
    ASSERT_EQ(holder.open(wide_path(path), platform::FileAccess::read_write),
              platform::OpenFailure::none);
    {
        QuickRetries few(3);
        EXPECT_TRUE(read_file_bytes(wide_path(path)).empty());
    }
    QuickRetries many(2000);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        holder.close();
    });
    const platform::ByteBuffer read = read_file_bytes(wide_path(path));
    release.join();
    EXPECT_EQ(std::string(read.begin(), read.end()), "data");
}

TEST(ReadTextFileTest, DecodesFilesAndGivesEmptyTextForMissingOnes) {
    const fs::path folder = fresh_folder("read text");
    write_bytes(folder / "sjis.txt", kNihonSjis);
    write_bytes(folder / "utf16be.txt", std::string("\xFE\xFF\x65\xE5\x67\x2C", 6));
    EXPECT_EQ(read_text_file(wide_path(folder / "sjis.txt")), kNihon);
    EXPECT_EQ(read_text_file(wide_path(folder / "utf16be.txt")), kNihon);
    EXPECT_EQ(read_text_file(wide_path(folder / "none.txt")), u"");
    EXPECT_EQ(logged_text().find("none.txt"), std::string::npos);
}

TEST(LoadTextFileTest, MarksDeclarationAndFallback) {
    const fs::path folder = fresh_folder("load");
    auto load = [&](const char* name, std::string_view content) {
        write_bytes(folder / name, content);
        std::u16string out = u"stale";
        EXPECT_TRUE(load_text_file(wide_path(folder / name), out)) << name;
        return out;
    };
    EXPECT_EQ(load("le.ini", std::string("\xFF\xFE[\0a\0]\0", 8)), u"[a]");
    EXPECT_EQ(load("be.ini", std::string("\xFE\xFF\0[\0a\0]", 8)), u"[a]");
    EXPECT_EQ(load("be-odd.ini", std::string("\xFE\xFF\0[\x41", 5)), u"[A");
    EXPECT_EQ(load("u8.ini", "\xEF\xBB\xBF" + std::string(kNihonUtf8)), kNihon);
    // No UTF-32 marks here: FF FE 00 00 is UTF-16 whose text ends at once.
    EXPECT_EQ(load("u32.ini", std::string("\xFF\xFE\0\0a\0\0\0", 8)), u"");
    // A declaration of UTF-8 makes bytes that are not clean UTF-8 read as UTF-8 anyway.
    const std::string declared =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n" + std::string(kNihonUtf8) + "\xFF";
    EXPECT_EQ(load("decl.xml", declared),
              u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n" + kNihon + u"\uFFFD");
    // Declared Shift_JIS, clean UTF-8 content: the content decides.
    const std::string mislabelled = "<?xml encoding=\"Shift_JIS\"?>\r\n" + std::string(kNihonUtf8);
    EXPECT_EQ(load("mis.xml", mislabelled), u"<?xml encoding=\"Shift_JIS\"?>\r\n" + kNihon);
    EXPECT_EQ(load("sjis.ini", kNihonSjis), kNihon);
}

TEST(LoadTextFileTest, FailsForEmptyMissingFolderAndLockedFiles) {
    const fs::path folder = fresh_folder("load fail");
    std::u16string out = u"stale";
    write_bytes(folder / "empty.ini", "");
    EXPECT_FALSE(load_text_file(wide_path(folder / "empty.ini"), out));
    EXPECT_EQ(out, u"");
    EXPECT_FALSE(load_text_file(wide_path(folder / "missing.ini"), out));
    EXPECT_FALSE(load_text_file(wide_path(folder), out));
    EXPECT_FALSE(load_text_file(u"", out));

    write_bytes(folder / "held.ini", "[a]");
    platform::LockedFile holder;
    ASSERT_EQ(holder.open(wide_path(folder / "held.ini"), platform::FileAccess::read_write),
              platform::OpenFailure::none);
    QuickRetries few(3);
    EXPECT_FALSE(load_text_file(wide_path(folder / "held.ini"), out));
    EXPECT_FALSE(has_utf16_bom(wide_path(folder / "held.ini")));
    holder.close();
    EXPECT_TRUE(load_text_file(wide_path(folder / "held.ini"), out));
    EXPECT_EQ(out, u"[a]");
}

TEST(HasUtf16BomTest, OnlyTheTwoUtf16Marks) {
    const fs::path folder = fresh_folder("bom");
    auto check = [&](const char* name, std::string_view content) {
        write_bytes(folder / name, content);
        return has_utf16_bom(wide_path(folder / name));
    };
    EXPECT_TRUE(check("le", "\xFF\xFE"));
    EXPECT_TRUE(check("be",
                      "\xFE\xFF"
                      "x"));
    EXPECT_FALSE(check("u8", "\xEF\xBB\xBF"));
    EXPECT_FALSE(check("one", "\xFF"));
    EXPECT_FALSE(check("empty", ""));
    EXPECT_FALSE(has_utf16_bom(wide_path(folder / "missing")));
}

}  // namespace
}  // namespace vermark
