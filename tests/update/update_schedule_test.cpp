#include "update/update_schedule.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_moves.h"
#include "platform/wide.h"
#include "support/local_time.h"
#include "support/paths.h"
#include "support/sandbox.h"
#include "update/download.h"
#include "update/update_clock.h"

namespace vermark {
namespace {
namespace fs = std::filesystem;
using testing::fresh_folder;
using testing::write_bytes;

using vermark::testing::wide_path;

// INI text with CR LF line ends, as the reader splits them.
std::string crlf(std::string_view lines) {
    std::string out;
    for (char c : lines) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

class IniReader : public ::testing::Test {
  protected:
    std::u16string write_ini(std::string_view text) {
        const fs::path file = fresh_folder("ini") / "r_Utile.ini";
        write_bytes(file, crlf(text));
        return wide_path(file);
    }
};

TEST_F(IniReader, TakesKeysFromTheLastOccurrenceOfASection) {
    const auto file = write_ini(
        "[IR_update]\nserver_name=first\npath_name=p1\n"
        "[Other]\nserver_name=other\n"
        "[ir_update] trailing text\nserver_name = second \n");
    EXPECT_EQ(read_ini_value(file, u"IR_update", u"server_name", u"d"), u"second");
    // Only the last block counts, even for keys only the first one has.
    EXPECT_EQ(read_ini_value(file, u"IR_update", u"path_name", u"d"), u"d");
    EXPECT_EQ(read_ini_value(file, u"Other", u"server_name", u"d"), u"other");
}

TEST_F(IniReader, SkipsCommentsAndRemovesOnePairOfQuotes) {
    const auto file = write_ini(
        "; header comment\n[IR_update]\n;server_name=commented\n"
        "server_name = \"quoted host\"  \npath_name='a'\nempty=\"\n");
    EXPECT_EQ(read_ini_value(file, u"IR_update", u"server_name", u"d"), u"quoted host");
    EXPECT_EQ(read_ini_value(file, u"IR_update", u"path_name", u"d"), u"a");
    EXPECT_EQ(read_ini_value(file, u"IR_update", u"empty", u"d"), u"\"");
}

TEST_F(IniReader, MatchesKeysByPrefixIgnoringCase) {
    const auto file = write_ini("[IR_update]\nUPDATE COUNTER=9\nupdate count=4\nnovalue\n");
    // The first line whose key starts with the wanted key wins.
    EXPECT_EQ(read_ini_value(file, u"IR_update", u"update count", u"3"), u"9");
    EXPECT_EQ(read_ini_value(file, u"IR_update", u"novalue", u"d"), u"d");
}

TEST_F(IniReader, GivesTheDefaultForMissingFilesSectionsAndNames) {
    const auto file = write_ini("[IR_update]\nserver_name=h\n");
    EXPECT_EQ(read_ini_value(u"/no/such/file.ini", u"IR_update", u"server_name", u"d"), u"d");
    EXPECT_EQ(read_ini_value(file, u"Missing", u"server_name", u"d"), u"d");
    EXPECT_EQ(read_ini_value(file, u"", u"server_name", u"d"), u"d");
    EXPECT_EQ(read_ini_value(file, u"IR_update", u"", u"d"), u"d");
}

TEST(FindIniSection, EndsAtTheNextHeaderAndIgnoresCommentedOnes) {
    const StringList lines{u"[A]", u"x=1", u";[B]", u"", u"  [B]  ", u"y=2", u"[a]", u"z=3"};
    EXPECT_EQ(find_ini_section(lines, u"B"), std::make_pair(4, 6));
    EXPECT_EQ(find_ini_section(lines, u"A"), std::make_pair(6, 8));
    EXPECT_EQ(find_ini_section(lines, u"C"), std::make_pair(-1, -1));
}

class UpdateSettings : public ::testing::Test {
  protected:
    void SetUp() override { reset_update_setting_reader(); }
    void TearDown() override {
        std::error_code ignored;
        fs::remove(fs::path(platform::to_utf8(update_settings_path())), ignored);
        reset_update_setting_reader();
    }
    void write_settings(std::string_view text) {
        write_bytes(fs::path(platform::to_utf8(update_settings_path())), crlf(text));
        reset_update_setting_reader();
    }
};

TEST_F(UpdateSettings, DefaultsPointAtAReservedHostAndNeverOpenThePage) {
    EXPECT_EQ(update_page_name(), u"//update.vermark.example/r_Utile/download");
    EXPECT_EQ(update_count(), 3);
}

TEST_F(UpdateSettings, PageNameDropsDoubledAndTrailingSeparators) {
    for (const char* gpps : {"1", "0"}) {
        write_settings(std::string("[Preference]\nis_GPPS=") + gpps +
                       "\n[IR_update]\nserver_name=host/\npath_name=/a/b/\nupdate count=7\n");
        EXPECT_EQ(update_page_name(), u"//host/a/b") << "is_GPPS=" << gpps;
        EXPECT_EQ(update_count(), 7) << "is_GPPS=" << gpps;
    }
    write_settings("[IR_update]\nserver_name=127.0.0.1:8080\npath_name=x\\y.htm\n");
    EXPECT_EQ(update_page_name(), u"//127.0.0.1:8080/x/y.htm");
}

TEST_F(UpdateSettings, OwnReaderIsUsedUnlessTheSwitchIsExactlyOne) {
    // Only this module's reader matches keys by prefix, which tells the two readers apart.
    write_settings("[Preference]\nis_GPPS=2\n[IR_update]\nupdate countdown=8\n");
    EXPECT_EQ(update_count(), 8);
    write_settings("[Preference]\nis_GPPS=1\n[IR_update]\nupdate countdown=8\n");
    EXPECT_EQ(update_count(), 3);
}

TEST_F(UpdateSettings, NonNumericCountIsZero) {
    write_settings("[IR_update]\nupdate count=many\n");
    EXPECT_EQ(update_count(), 0);
}

class UpdateSchedule : public ::testing::Test {
  protected:
    void TearDown() override { set_update_clock({}); }
};

// Noon of a local calendar day, so that an hour either way stays on that day.
std::time_t local_noon(int year, int month, int day) {
    return testing::local_time(year, month, day, 12);
}

TEST_F(UpdateSchedule, DueOncePerCalendarDayAndWhenTheCopyIsMissing) {
    const std::u16string page = u"//schedule.example/due";
    const std::u16string local = local_copy_path(page);
    const std::time_t day1 = local_noon(2024, 3, 9);
    set_update_clock([&] { return day1; });
    EXPECT_TRUE(update_check_due(page));  // no copy yet

    write_bytes(fs::path(platform::to_utf8(local)), "<html/>");
    ASSERT_TRUE(platform::set_modification_time(local, day1 - 3600));
    EXPECT_FALSE(update_check_due(page));  // fetched earlier the same day
    set_update_clock([&] { return day1 + 11 * 3600 + 59 * 60; });
    EXPECT_FALSE(update_check_due(page));  // 23:59
    set_update_clock([&] { return local_noon(2024, 3, 10) - 11 * 3600; });
    EXPECT_TRUE(update_check_due(page));  // 01:00 the next day
}

}  // namespace
}  // namespace vermark
