#include "platform/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

using testing::fresh_folder;
using testing::read_bytes;
using testing::write_bytes;

using vermark::testing::wide_path;

std::u16string read_value(const std::u16string& path, platform::ProfileName section,
                          platform::ProfileName key, platform::ProfileName def = u"<none>") {
    char16_t buffer[256];
    const std::uint32_t n =
        platform::GetPrivateProfileStringW(section, key, def, buffer, 256, path);
    return std::u16string(buffer, n);
}

std::string utf16le(std::u16string_view text) {
    std::string bytes("\xFF\xFE");
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

TEST(PrivateProfileRead, MatchesIgnoringCaseTrimsAndUnquotes) {
    const auto file = fresh_folder("profile") / "a.ini";
    write_bytes(file,
                "[Debug]\r\n  Write =  1  \r\nQuoted=\"  two words \"\r\nSingle='x'\r\n"
                "Half=\"open\r\nEmpty=\r\nNoEquals\r\n[Other]\r\nWrite=9\r\n");
    const auto path = wide_path(file);
    EXPECT_EQ(read_value(path, u"debug", u"WRITE"), u"1");
    EXPECT_EQ(read_value(path, u"Debug", u"Quoted"), u"  two words ");
    EXPECT_EQ(read_value(path, u"Debug", u"Single"), u"x");
    EXPECT_EQ(read_value(path, u"Debug", u"Half"), u"\"open");
    EXPECT_EQ(read_value(path, u"Debug", u"Empty"), u"");
    EXPECT_EQ(read_value(path, u"Debug", u"NoEquals"), u"<none>");
    EXPECT_EQ(read_value(path, u"Debug", u"Missing"), u"<none>");
    EXPECT_EQ(read_value(path, u"Nowhere", u"Write"), u"<none>");
    EXPECT_EQ(read_value(path, u"Other", u"Write"), u"9");
}

TEST(PrivateProfileRead, DefaultsForMissingFileAndTrailingBlanksOfDefault) {
    const auto path = wide_path(fresh_folder("profile") / "missing.ini");
    EXPECT_EQ(read_value(path, u"S", u"K", u"dflt   "), u"dflt");
    EXPECT_EQ(read_value(path, u"S", u"K", std::nullopt), u"");
    EXPECT_EQ(platform::GetPrivateProfileIntW(u"S", u"K", -7, path),
              static_cast<std::uint32_t>(-7));
}

TEST(PrivateProfileRead, BufferLimitsNeverOverrun) {
    const auto file = fresh_folder("profile") / "long.ini";
    write_bytes(file, "[S]\r\nK=abcdefghij\r\n[T]\r\n");
    const auto path = wide_path(file);
    char16_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(platform::GetPrivateProfileStringW(u"S", u"K", u"", buffer, 5, path), 4u);
    EXPECT_EQ(std::u16string(buffer, 5), std::u16string(u"abcd\0", 5));
    EXPECT_EQ(buffer[5], u'#');
    EXPECT_EQ(platform::GetPrivateProfileStringW(u"S", u"K", u"", buffer, 0, path), 0u);
    EXPECT_EQ(platform::GetPrivateProfileStringW(u"S", u"K", u"", nullptr, 5, path), 0u);

    // Lists: names each ended by a zero, a final zero; cut lists end in two zeros.
    EXPECT_EQ(platform::GetPrivateProfileStringW(std::nullopt, std::nullopt, u"", buffer, 8, path),
              4u);
    EXPECT_EQ(std::u16string(buffer, 5), std::u16string(u"S\0T\0\0", 5));
    EXPECT_EQ(platform::GetPrivateProfileStringW(u"s", std::nullopt, u"", buffer, 8, path), 2u);
    EXPECT_EQ(std::u16string(buffer, 3), std::u16string(u"K\0\0", 3));
    EXPECT_EQ(platform::GetPrivateProfileStringW(std::nullopt, std::nullopt, u"", buffer, 3, path),
              1u);
    EXPECT_EQ(std::u16string(buffer, 3), std::u16string(u"S\0\0", 3));
}

TEST(PrivateProfileRead, IntegersWrapAndStopAtTheFirstOtherCharacter) {
    const auto file = fresh_folder("profile") / "int.ini";
    write_bytes(file, "[S]\r\nneg=-1\r\nlead= +42abc\r\ntext=abc\r\nempty=\r\nbig=4294967297\r\n");
    const auto path = wide_path(file);
    EXPECT_EQ(platform::GetPrivateProfileIntW(u"S", u"neg", 5, path), 0xFFFFFFFFu);
    EXPECT_EQ(platform::GetPrivateProfileIntW(u"S", u"lead", 5, path), 42u);
    EXPECT_EQ(platform::GetPrivateProfileIntW(u"S", u"text", 5, path), 0u);
    EXPECT_EQ(platform::GetPrivateProfileIntW(u"S", u"empty", 5, path), 5u);
    EXPECT_EQ(platform::GetPrivateProfileIntW(u"S", u"big", 5, path), 1u);
    EXPECT_EQ(platform::GetPrivateProfileIntW(u"S", std::nullopt, 5, path), 5u);
}

TEST(PrivateProfileWrite, CreatesAFileInCodePage932) {
    const auto file = fresh_folder("profile") / "new.ini";
    const auto path = wide_path(file);
    ASSERT_TRUE(platform::WritePrivateProfileStringW(u"S", u"Name", u"日本", path));
    EXPECT_EQ(read_bytes(file), "[S]\r\nName=\x93\xFA\x96\x7B\r\n");
    EXPECT_EQ(read_value(path, u"S", u"Name"), u"日本");
}

TEST(PrivateProfileWrite, EditsKeepEveryOtherByte) {
    const auto file = fresh_folder("profile") / "edit.ini";
    write_bytes(file, ";comment\r\n[A]\r\n  key = old \r\nkeep=1\r\n\r\n[B]\nx=1\n; tail");
    const auto path = wide_path(file);
    ASSERT_TRUE(platform::WritePrivateProfileStringW(u"a", u"KEY", u"new", path));
    // Names are matched and written without surrounding blanks, so a repeated write replaces.
    ASSERT_TRUE(platform::WritePrivateProfileStringW(u" A ", u"\tadded ", u"1", path));
    ASSERT_TRUE(platform::WritePrivateProfileStringW(u"A ", u" added", u"2", path));
    ASSERT_TRUE(platform::WritePrivateProfileStringW(u"C", u"z", u"3", path));
    EXPECT_EQ(read_bytes(file),
              ";comment\r\n[A]\r\nkey=new\r\nkeep=1\r\nadded=2\r\n\r\n[B]\nx=1\n; tail\r\n"
              "[C]\r\nz=3\r\n");
}

TEST(PrivateProfileWrite, AbsentValueDeletesKeyAbsentKeyDeletesSection) {
    const auto file = fresh_folder("profile") / "del.ini";
    write_bytes(file, "[A]\r\nk=1\r\nm=2\r\n[B]\r\nk=3\r\n[a]\r\nk=4\r\n");
    const auto path = wide_path(file);
    ASSERT_TRUE(platform::WritePrivateProfileStringW(u"A", u"K", std::nullopt, path));
    EXPECT_EQ(read_bytes(file), "[A]\r\nm=2\r\n[B]\r\nk=3\r\n[a]\r\n");
    ASSERT_TRUE(platform::WritePrivateProfileStringW(u"A", std::nullopt, std::nullopt, path));
    EXPECT_EQ(read_bytes(file), "[B]\r\nk=3\r\n");
    EXPECT_FALSE(platform::WritePrivateProfileStringW(std::nullopt, u"k", u"v", path));

    // Deleting from a missing file succeeds without creating it.
    const auto missing = fresh_folder("profile") / "none.ini";
    EXPECT_TRUE(platform::WritePrivateProfileStringW(u"A", u"k", std::nullopt, wide_path(missing)));
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(PrivateProfileWrite, LineBreaksInAValueCannotAddEntries) {
    const auto file = fresh_folder("profile") / "inject.ini";
    const auto path = wide_path(file);
    ASSERT_TRUE(platform::WritePrivateProfileStringW(u"S", u"k", u"a\r\n[Evil]\r\nx=1", path));
    EXPECT_EQ(read_value(path, u"Evil", u"x"), u"<none>");
    EXPECT_EQ(read_value(path, u"S", u"k"), u"a  [Evil]  x=1");
}

TEST(PrivateProfileWrite, Utf16FilesStayUtf16InTheirByteOrder) {
    const auto folder = fresh_folder("profile");
    const auto le = folder / "le.ini";
    write_bytes(le, utf16le(u"[S]\r\nk=1\r\n"));
    ASSERT_TRUE(platform::WritePrivateProfileStringW(u"S", u"k", u"ü€", wide_path(le)));
    EXPECT_EQ(read_bytes(le), utf16le(u"[S]\r\nk=ü€\r\n"));

    const auto be = folder / "be.ini";
    write_bytes(be, std::string("\xFE\xFF\0[\0S\0]\0\r\0\n", 12));
    ASSERT_TRUE(platform::WritePrivateProfileStringW(u"S", u"k", u"€", wide_path(be)));
    EXPECT_EQ(read_bytes(be), std::string("\xFE\xFF\0[\0S\0]\0\r\0\n\0k\0=\x20\xAC\0\r\0\n", 22));
    EXPECT_EQ(read_value(wide_path(be), u"s", u"K"), u"€");
}

TEST(PrivateProfileWrite, FailsWithoutTheFolderAndLeavesNoTemporaryFiles) {
    const auto folder = fresh_folder("profile");
    EXPECT_FALSE(
        platform::WritePrivateProfileStringW(u"S", u"k", u"v", wide_path(folder / "no" / "x.ini")));
    ASSERT_TRUE(
        platform::WritePrivateProfileStringW(u"S", u"k", u"v", wide_path(folder / "x.ini")));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"x.ini", "x.ini.lock"}));
}

TEST(PrivateProfileWrite, TwoProcessesWritingTheSameFileLoseNothing) {
    const auto file = fresh_folder("profile") / "shared.ini";
    const auto path = wide_path(file);
    constexpr int kWrites = 40;
    auto write_all = [&](const char* prefix) {
        for (int i = 0; i < kWrites; ++i)
            platform::WritePrivateProfileStringW(
                u"S", platform::from_utf8(prefix + std::to_string(i)), u"v", path);
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        write_all("child");
        ::_exit(0);
    }
    write_all("parent");
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (const char* prefix : {"child", "parent"})
        for (int i = 0; i < kWrites; ++i)
            EXPECT_EQ(read_value(path, u"S", platform::from_utf8(prefix + std::to_string(i))), u"v")
                << prefix << i;
}

TEST(PrivateProfileWrite, AReadOnlyFileIsLeftAlone) {
    const auto file = fresh_folder("profile") / "fixed.ini";
    write_bytes(file, "[S]\r\nk=1\r\n");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
    EXPECT_FALSE(platform::WritePrivateProfileStringW(u"S", u"k", u"2", wide_path(file)));
    EXPECT_EQ(read_bytes(file), "[S]\r\nk=1\r\n");
}

TEST(PrivateProfileWrite, AFifoInTheFilesPlaceIsNeitherWaitedOnNorReplaced) {
    const auto file = fresh_folder("profile") / "fifo.ini";
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    const auto path = wide_path(file);
    EXPECT_EQ(read_value(path, u"S", u"k"), u"<none>");
    EXPECT_EQ(platform::GetPrivateProfileIntW(u"S", u"k", 3, path), 3u);
    EXPECT_FALSE(platform::WritePrivateProfileStringW(u"S", u"k", u"v", path));
    EXPECT_TRUE(std::filesystem::is_fifo(file));
}

TEST(PrivateProfileRewrite, ReplacesBytesOrLeavesTheFileAlone) {
    const auto file = fresh_folder("profile") / "r.ini";
    const auto path = wide_path(file);
    EXPECT_FALSE(
        platform::rewrite_profile_file(path, [](std::string_view) { return std::string("x"); }));
    write_bytes(file, "old");
    EXPECT_TRUE(
        platform::rewrite_profile_file(path, [](std::string_view) { return std::nullopt; }));
    EXPECT_EQ(read_bytes(file), "old");
    EXPECT_TRUE(platform::rewrite_profile_file(
        path, [](std::string_view bytes) { return std::string(bytes) + "+new"; }));
    EXPECT_EQ(read_bytes(file), "old+new");
}

TEST(ProfileNames, FoldCaseBeyondAscii) {
    EXPECT_TRUE(platform::profile_names_equal(u"Position\\Dialog", u"POSITION\\dialog"));
    EXPECT_TRUE(platform::profile_names_equal(u"ÄÖ ＡＢ", u"äö ａｂ"));
    EXPECT_TRUE(platform::profile_names_equal(u"ĀŁŸ Ά Ѣ Ạ", u"āłÿ ά ѣ ạ"));
    EXPECT_FALSE(platform::profile_names_equal(u"a", u"ab"));
    EXPECT_FALSE(platform::profile_names_equal(u"a_", u"a-"));
}

}  // namespace
}  // namespace vermark
