#include "diag/log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "platform/clock.h"
#include "platform/file_moves.h"
#include "platform/wide.h"
#include "support/local_time.h"
#include "support/sandbox.h"
#include "util/deferred_file_ops.h"
#include "util/folders.h"
#include "util/path.h"

namespace vermark {
namespace {

namespace fs = std::filesystem;

// A local time in a year no other test logs in, so every test starts a fresh hourly file.
std::time_t local_time(int month, int day, int hour, int minute, int second) {
    return testing::local_time(2031, month, day, hour, minute, second);
}

std::u16string decode(const std::string& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return text;
}

class Log : public ::testing::Test {
  protected:
    void SetUp() override { at(local_time(12, 6, 14, 5, 9)); }
    void TearDown() override { platform::set_time_source({}); }
    void at(std::time_t when) {
        now_ = when;
        platform::set_time_source([this] { return now_; });
    }
    fs::path file(std::string_view stamp) {
        return fs::path(platform::to_utf8(log_folder())) / (std::string(stamp) + ".txt");
    }
    std::time_t now_ = 0;
};

TEST_F(Log, LivesInTheDumpFolderUnderDocuments) {
    EXPECT_EQ(log_folder(), platform::from_utf8(testing::sandbox().string()) +
                                testing::native_separators(u"/Documents/Temp/Temp/DbgDump/WC/"));
}

TEST_F(Log, ANewHourlyFileStartsWithMarkAndHeaderOnlyOnce) {
    const fs::path path = file("1206_14");
    fs::remove(path);
    EXPECT_TRUE(log_line(u"first"));
    at(local_time(12, 6, 14, 59, 58));
    EXPECT_TRUE(log_line(u"second 二"));

    const std::string bytes = testing::read_bytes(path);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    const std::u16string text = decode(bytes.substr(2));
    const std::u16string program = file_name_of(get_arv());
    const std::u16string header = u"2031/12/06 14:05:09\t" + user_name() + u"\t\t" + temp_folder() +
                                  u"\t\t" + current_folder() + u"\t\t" + get_arv() + u"\t\t\r\n";
    EXPECT_EQ(text, header + u"2031/12/06 14:05:09\t" + program + u"\tfirst\r\n" +
                        u"2031/12/06 14:59:58\t" + program + u"\tsecond 二\r\n");
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\xFE'), 1) << "one mark only";
}

TEST_F(Log, LineBreaksInAMessageBecomeTabs) {
    at(local_time(3, 1, 9, 0, 0));
    fs::remove(file("0301_09"));
    log_line(u"a\r\nb\nc\rd");
    const std::u16string text = decode(testing::read_bytes(file("0301_09")));
    EXPECT_TRUE(text.ends_with(u"\ta\t\tb\tc\td\r\n")) << platform::to_utf8(text);
    EXPECT_EQ(replace_line_breaks(u"x\r\ny", u"<>"), u"x<>y");
    EXPECT_EQ(replace_line_breaks(u"x\r\ny", u""), u"xy");
}

TEST_F(Log, TheHourChangesTheFile) {
    at(local_time(7, 4, 14, 59, 59));
    log_line(u"before");
    at(local_time(7, 4, 15, 0, 0));
    log_line(u"after");
    EXPECT_NE(decode(testing::read_bytes(file("0704_14"))).find(u"before"), std::u16string::npos);
    const std::u16string later = decode(testing::read_bytes(file("0704_15")));
    EXPECT_NE(later.find(u"after"), std::u16string::npos);
    EXPECT_EQ(later.find(u"before"), std::u16string::npos);
}

TEST_F(Log, AnUnwritableLogLosesTheLineQuietly) {
    const fs::path folder = platform::to_utf8(strip_separator(log_folder()));
    fs::remove_all(folder);
    testing::write_bytes(folder, "a file where the folder belongs");
    EXPECT_FALSE(log_line(u"lost"));
    EXPECT_FALSE(append_log_bytes(utf16le_bytes(u"lost too")));
    fs::remove(folder);
    EXPECT_TRUE(log_line(u"back again"));
}

TEST_F(Log, TheFirstLineOfARunSchedulesOldLogsOnce) {
    DeferredFileOps& ops = deferred_file_ops();
    ops.run();
    const fs::path wc = platform::to_utf8(strip_separator(log_folder()));
    const fs::path dump = wc.parent_path();
    testing::write_bytes(wc / "0101_01.txt", "old");
    testing::write_bytes(dump / "0101_02.txt", "old");
    testing::write_bytes(wc / "0101_03.txt", "recent");
    for (const auto& [name, age_days] :
         {std::pair{wc / "0101_01.txt", 11}, {dump / "0101_02.txt", 10}, {wc / "0101_03.txt", 9}}) {
        const std::time_t when = now_ - age_days * 86400;
        ASSERT_TRUE(platform::set_modification_time(platform::from_utf8(name.string()), when));
    }

    reset_log_run_for_testing();
    log_line(u"triggers the purge");
    const auto has = [&](const fs::path& p) {
        return std::find(ops.paths().begin(), ops.paths().end(), platform::from_utf8(p.string())) !=
               ops.paths().end();
    };
    EXPECT_TRUE(has(wc / "0101_01.txt"));
    EXPECT_TRUE(has(dump / "0101_02.txt"));
    EXPECT_FALSE(has(wc / "0101_03.txt"));
    const std::size_t count = ops.paths().size();
    log_line(u"no second purge");
    EXPECT_EQ(ops.paths().size(), count);
    ops.run();
    EXPECT_FALSE(fs::exists(wc / "0101_01.txt"));
    EXPECT_TRUE(fs::exists(wc / "0101_03.txt"));
}

TEST(TimeFormat, FormatsLocalTimeAndFailsEmpty) {
    const std::time_t when = testing::local_time(2026, 12, 6, 14, 5, 9);
    EXPECT_EQ(format_time(when, u"%Y/%m/%d %H:%M:%S"), u"2026/12/06 14:05:09");
    EXPECT_EQ(format_time(when, u"%m%d_%H"), u"1206_14");
    EXPECT_EQ(format_time(when, u"日付 %Y"), u"日付 2026");
    EXPECT_EQ(format_time(when, u""), u"");
    EXPECT_EQ(format_time(when, std::u16string(254, u'x')), std::u16string(254, u'x'));
    EXPECT_EQ(format_time(when, std::u16string(255, u'x')), u"") << "too long for the buffer";
}

}  // namespace
}  // namespace vermark
