#include "settings/profile_store.h"

#include <gtest/gtest.h>

#include "diag/log.h"
#include "platform/beep.h"
#include "platform/process.h"
#include "profile_test_support.h"
#include "settings/registry_store.h"
#include "settings/settings_location.h"
#include "util/path.h"

namespace vermark {
namespace {

using testing::ProfileStoreTest;
using testing::read_bytes;
using testing::write_bytes;

std::string utf16le(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// Digits replaced by 9, to compare a dated line with its form.
std::string shape_of(std::string text) {
    for (char& c : text)
        if (c >= '0' && c <= '9') c = '9';
    return text;
}

// Every log line written so far by this process's sandbox.
std::u16string log_text() {
    std::u16string text;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(platform::to_utf8(log_folder()), error)) {
        const std::string bytes = read_bytes(entry.path());
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return text;
}

using ProfileStoreFile = ProfileStoreTest;

TEST_F(ProfileStoreFile, NameGetsIniAppendedAndAMissingFileIsNotCreated) {
    ProfileStore store(name());
    EXPECT_EQ(store.path(), ini());
    EXPECT_FALSE(std::filesystem::exists(file()));
    // A name that already ends in ".ini" gets it twice: names are given without extension.
    EXPECT_EQ(ProfileStore(name() + u".ini").path(), ini() + u".ini");
}

TEST_F(ProfileStoreFile, NameWithoutFolderGoesToTheSettingsFolder) {
    ProfileStore store(u"Loose");
    EXPECT_EQ(store.path(), settings_base_folder() + kSeparator + u"Loose.ini");
    EXPECT_TRUE(std::filesystem::is_directory(platform::to_utf8(settings_base_folder())));
}

TEST_F(ProfileStoreFile, ApplicationProfileNameIsUsedForAnEmptyName) {
    install_application("App");
    EXPECT_EQ(ProfileStore().path(), ini("App"));
}

TEST_F(ProfileStoreFile, WithoutApplicationAnEmptyNameUsesTheProgramName) {
    const std::u16string path = ProfileStore().path();
    // The program file's name without its extension ("test_settings.exe" gives test_settings).
    const std::u16string program = stem_of(platform::executable_path());
    EXPECT_EQ(path, platform::from_utf8(testing::sandbox().string()) +
                        std::u16string(1, kSeparator) + program + u".ini");
}

TEST_F(ProfileStoreFile, ExistingCodePage932FileBecomesUtf16WithHeader) {
    write_bytes(file(), "[S]\r\nk=\x93\xFA\x96\x7B\r\n");
    ProfileStore store(name());
    const std::string bytes = read_bytes(file());
    ASSERT_TRUE(bytes.starts_with("\xFF\xFE"));
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    const std::string rule = ";" + std::string(69, '-') + "\r\n";
    const std::string content = platform::to_utf8(text);
    // rule, ";\t" + "YYYY/MM/DD hh:mm:ss", rule, then the old content.
    const std::string date_line = content.substr(rule.size(), 23);
    EXPECT_EQ(content.substr(0, rule.size()), rule);
    EXPECT_EQ(shape_of(date_line), ";\t9999/99/99 99:99:99\r\n") << date_line;
    EXPECT_EQ(content.substr(rule.size() + 23), rule + "[S]\r\nk=日本\r\n");
    EXPECT_EQ(store.get_string(u"S", u"k", u""), u"日本");
    // A second store leaves the converted file alone.
    ProfileStore again(name());
    EXPECT_EQ(read_bytes(file()), bytes);
}

TEST_F(ProfileStoreFile, Utf16FilesAreLeftUnchanged) {
    const std::string le = "\xFF\xFE" + utf16le(u"[S]\r\nk=1\r\n");
    write_bytes(file("le"), le);
    ProfileStore store_le(name("le"));
    EXPECT_EQ(read_bytes(file("le")), le);
    EXPECT_EQ(store_le.get_int(u"S", u"k", 0), 1);

    const std::string be("\xFE\xFF\0[\0S\0]", 8);
    write_bytes(file("be"), be);
    ProfileStore store_be(name("be"));
    EXPECT_EQ(read_bytes(file("be")), be);
}

using ProfileStoreValues = ProfileStoreTest;

TEST_F(ProfileStoreValues, WritesAndReadsIntegersAndTexts) {
    ProfileStore store(name());
    EXPECT_TRUE(store.write_int(u"S", u"n", -12));
    EXPECT_TRUE(store.write_string(u"S", u"t", u"  spaced value  "));
    EXPECT_EQ(on_disk(u"S", u"n"), u"-12");
    reset_profile_process_state();
    ProfileStore fresh(name());
    EXPECT_EQ(fresh.get_int(u"s", u"N", 0), -12);
    EXPECT_EQ(fresh.get_string(u"S", u"t", u""), u"spaced value");
    EXPECT_EQ(fresh.get_string(u"S", u"none", std::nullopt), u"");
}

TEST_F(ProfileStoreValues, FirstWriteKeepsTextThatCodePage932CannotHold) {
    ProfileStore store(name());
    EXPECT_TRUE(store.write_string(u"S", u"t", u"简体 \U0001F600"));
    EXPECT_TRUE(testing::read_bytes(file()).starts_with("\xFF\xFE"));
    reset_profile_process_state();
    EXPECT_EQ(ProfileStore(name()).get_string(u"S", u"t", u""), u"简体 \U0001F600");
    // Deleting from a missing file creates nothing.
    EXPECT_TRUE(ProfileStore(name("other")).write_string(u"S", u"t", std::nullopt));
    EXPECT_FALSE(std::filesystem::exists(file("other")));
}

TEST_F(ProfileStoreValues, AbsentNamesGiveDefaultsAndFalse) {
    ProfileStore store(name());
    EXPECT_EQ(store.get_int(std::nullopt, u"k", 3), 3);
    EXPECT_EQ(store.get_int(u"S", std::nullopt, 3), 3);
    EXPECT_EQ(store.get_string(u"S", std::nullopt, u"d"), u"d");
    EXPECT_FALSE(store.write_int(u"S", std::nullopt, 1));
    EXPECT_FALSE(store.write_string(std::nullopt, u"k", u"v"));
    EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(ProfileStoreValues, AbsentEntryDeletesTheSectionAbsentValueTheEntry) {
    ProfileStore store(name());
    store.write_string(u"A", u"k", u"1");
    store.write_string(u"A", u"m", u"2");
    store.write_string(u"B", u"k", u"3");
    EXPECT_TRUE(store.write_string(u"A", u"k", std::nullopt));
    EXPECT_EQ(on_disk(u"A", u"k"), u"<absent>");
    EXPECT_EQ(on_disk(u"A", u"m"), u"2");
    EXPECT_TRUE(store.write_string(u"A", std::nullopt, std::nullopt));
    EXPECT_EQ(on_disk(u"A", u"m"), u"<absent>");
    EXPECT_EQ(on_disk(u"B", u"k"), u"3");
}

TEST_F(ProfileStoreValues, RegistryModeKeepsValuesUnderTheApplicationKey) {
    platform::install_application_object({u"Acme", u"Tool"});
    ProfileStore store;
    EXPECT_EQ(store.path(), u"Tool");
    EXPECT_EQ(store_registry_path(u"Tool", u"Position"), u"Software\\Acme\\Tool\\Position");
    EXPECT_TRUE(store.write_int(u"Sec", u"n", 41));
    EXPECT_TRUE(store.write_string(u"Sec", u"t", u"text"));
    RegistryStore registry;
    EXPECT_EQ(registry.get_int(platform::HKEY_CURRENT_USER, u"Software\\Acme\\Tool\\Sec", u"n", 0),
              41);
    EXPECT_EQ(
        registry.get_string(platform::HKEY_CURRENT_USER, u"Software\\Acme\\Tool\\Sec", u"t", u""),
        u"text");
    reset_profile_process_state();
    EXPECT_EQ(ProfileStore().get_int(u"Sec", u"n", 0), 41);

    platform::remove_application_object();
    EXPECT_EQ(store_registry_path(u"Tool", u"Position"), u"Position");
}

using ProfileStoreSwitches = ProfileStoreTest;

TEST_F(ProfileStoreSwitches, WriteSwitchWritesEveryReadBack) {
    write_bytes(file(), "[Debug]\r\nWrite=1\r\n");
    ProfileStore store(name());
    EXPECT_TRUE(store.write_back());
    // The "Log" switch is read after "Write" and so already written back.
    EXPECT_EQ(on_disk(u"Debug", u"Log"), u"0");
    EXPECT_EQ(store.get_int(u"S", u"absent", 5), 5);
    EXPECT_EQ(on_disk(u"S", u"absent"), u"5");
    EXPECT_EQ(store.get_string(u"S", u"text", u"dflt"), u"dflt");
    EXPECT_EQ(on_disk(u"S", u"text"), u"dflt");
}

TEST_F(ProfileStoreSwitches, LogSwitchLogsReadsAndCacheFlushes) {
    install_application();
    write_bytes(file(), "[Debug]\r\nLog=1\r\n[S]\r\nk=9\r\n");
    ProfileStore store;
    ASSERT_TRUE(store.logging());
    EXPECT_EQ(store.get_int(u"S", u"k", 4), 9);
    const std::u16string path = ini();
    EXPECT_NE(log_text().find(u"GetInt\t " + path + u"\t S\t k\t 4\t 9"), std::u16string::npos);
    store.get_string(u"S", u"t", u"d");
    EXPECT_NE(log_text().find(u"GetStr\t " + path + u"\t S\t t\t d\t d"), std::u16string::npos);
    store.get_int(u"S", u"k", 4);  // a hit
    let_cache_expire();
    store.write_int(u"S", u"other", 1);
    EXPECT_NE(log_text().find(u"Cache \t " + path + u"\t S\t k\t 9\t \t 1"), std::u16string::npos);
}

TEST_F(ProfileStoreSwitches, LoggedFlushBeepsOnlyWhereAWindowGaveItsBeep) {
    int beeps = 0;
    install_application();
    write_bytes(file(), "[Debug]\r\nLog=1\r\n");
    ProfileStore store;
    store.write_int(u"S", u"k", 1);  // the run's first put flushes, with no window yet
    EXPECT_EQ(beeps, 0);
    platform::set_beep_handler([&] { ++beeps; });
    let_cache_expire();
    store.write_int(u"S", u"k", 2);
    EXPECT_EQ(beeps, 2);             // one for each cache, the numbers' and the texts'
    store.write_int(u"S", u"k", 3);  // within ten seconds: no flush
    EXPECT_EQ(beeps, 2);

    write_bytes(file(), "[Debug]\r\nLog=0\r\n");
    ProfileStore quiet;
    let_cache_expire();
    quiet.write_int(u"S", u"k", 4);
    EXPECT_EQ(beeps, 2);
    platform::set_beep_handler({});
}

}  // namespace
}  // namespace vermark
