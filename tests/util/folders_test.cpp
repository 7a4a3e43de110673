#include "util/folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "diag/log.h"
#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"
#include "util/path.h"

namespace vermark {
namespace {

namespace fs = std::filesystem;

using vermark::testing::wide_path;

// Last line of the current hour's log, as UTF-8.
std::string last_log_text() {
    const std::string bytes =
        testing::read_bytes(platform::to_utf8(log_folder() + format_now(u"%m%d_%H") + u".txt"));
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return platform::to_utf8(text);
}

#ifndef _WIN32
TEST(FolderChain, CreatesEveryMissingLevelPrivately) {
    const auto base = testing::fresh_folder("chain");
    const fs::path deep = base / "a" / "b c" / "図";
    EXPECT_TRUE(create_folder_chain(wide_path(deep)));
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_EQ(fs::status(base / "a").permissions() & fs::perms::all, fs::perms::owner_all);
    // Existing chain; mixed and doubled separators; a trailing separator.
    EXPECT_TRUE(create_folder_chain(wide_path(deep)));
    EXPECT_TRUE(create_folder_chain(wide_path(base) + u"\\x//y/"));
    EXPECT_TRUE(fs::is_directory(base / "x" / "y"));
}
#else
VERMARK_SKIPPED_ON_WINDOWS(FolderChain, CreatesEveryMissingLevelPrivately, "POSIX modes")
#endif

TEST(FolderChain, FailsOnAFileInThePathAndLogsThePartialPath) {
    const auto base = testing::fresh_folder("chain-file");
    testing::write_bytes(base / "file", "x");
    EXPECT_FALSE(create_folder_chain(wide_path(base / "file" / "sub" / "deeper")));
    EXPECT_NE(last_log_text().find("Can't create " + (base / "file").string()), std::string::npos);
    EXPECT_FALSE(create_folder_chain(u"")) << "nothing to create";
}

TEST(FolderChain, TheRootAlwaysExists) {
    EXPECT_TRUE(create_folder_chain(u"/"));
    EXPECT_TRUE(create_folder_chain(u"//"));
}

TEST(FolderChain, NeverCreatesTheServerOrShareOfANetworkName) {
    // As root, making "/vermark-no-server" would succeed, so an attempt would show.
    const fs::path server = "/vermark-no-server-7d1c";
    ASSERT_FALSE(fs::exists(server));
    EXPECT_FALSE(create_folder_chain(u"//vermark-no-server-7d1c/share/a/b"));
    const bool made = fs::exists(server);
    if (made) fs::remove_all(server);
    EXPECT_FALSE(made);
    const std::string logged = platform::to_utf8(
        testing::native_separators(u"Can't create //vermark-no-server-7d1c/share/a"));
    EXPECT_NE(last_log_text().find(logged), std::string::npos);
}

#ifndef _WIN32
TEST(FolderChain, InASharedFolderOnlyOwnRealFoldersAreUsed) {
    const auto shared = testing::fresh_folder("shared");
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    const auto elsewhere = testing::fresh_folder("elsewhere");
    fs::create_directory_symlink(elsewhere, shared / "planted");

    EXPECT_FALSE(create_folder_chain(wide_path(shared / "planted" / "sub")));
    EXPECT_FALSE(fs::exists(elsewhere / "sub"));
    EXPECT_FALSE(create_folder_chain(wide_path(shared / "planted")));

    EXPECT_TRUE(create_folder_chain(wide_path(shared / "mine" / "sub")));
    EXPECT_TRUE(create_folder_chain(wide_path(shared / "mine")));

    if (::geteuid() == 0) {
        fs::create_directory(shared / "theirs");
        ASSERT_EQ(::chown((shared / "theirs").c_str(), 65534, 65534), 0);
        EXPECT_FALSE(create_folder_chain(wide_path(shared / "theirs" / "sub")));
        EXPECT_FALSE(fs::exists(shared / "theirs" / "sub"));
    }
    // Outside a shared folder a link is followed as usual.
    const auto plain = testing::fresh_folder("plain");
    fs::create_directory_symlink(elsewhere, plain / "link");
    EXPECT_TRUE(create_folder_chain(wide_path(plain / "link" / "ok")));
    EXPECT_TRUE(fs::is_directory(elsewhere / "ok"));
}
#else
VERMARK_SKIPPED_ON_WINDOWS(FolderChain, InASharedFolderOnlyOwnRealFoldersAreUsed,
                           "shared folders with sticky bits, owners and links")
#endif

#ifndef _WIN32
TEST(SpecialFolders, LiveUnderTheHomeFolderWhenItIsSet) {
    const std::u16string home = wide_path(testing::sandbox());
    EXPECT_EQ(special_folder(platform::CSIDL_COMMON_DOCUMENTS), home + u"/Documents");
    EXPECT_EQ(special_folder(platform::CSIDL_PROGRAM_FILES), home + u"/usr/bin");
    EXPECT_EQ(special_folder(0x7777), u"");
    EXPECT_EQ(special_folder(platform::CSIDL_SYSTEM | platform::CSIDL_FLAG_CREATE), home + u"/bin");
    EXPECT_TRUE(fs::is_directory(testing::sandbox() / "bin"));

    EXPECT_EQ(settings_folder(), home + u"/Documents/Temp/Tool/_setting");
    EXPECT_TRUE(fs::is_directory(testing::sandbox() / "Documents/Temp/Tool/_setting"));
    EXPECT_EQ(program_name(), u"Vermark.EXE");
    EXPECT_EQ(ini_path(), home + u"/Documents/Temp/Tool/_setting/Vermark.ini");
    EXPECT_EQ(temp_folder(), home + u"/tmp/");
}
#else
VERMARK_SKIPPED_ON_WINDOWS(SpecialFolders, LiveUnderTheHomeFolderWhenItIsSet,
                           "the Linux layout of the places; WindowsFolders checks the Windows one")
#endif

#ifndef _WIN32
TEST(TempFolder, ChoosesInTheFixedOrder) {
    const auto docs = testing::fresh_folder("docs");
    TempFolderSources sources;
    sources.documents = wide_path(docs);
    sources.platform_answer = u"/var/tmp/";
    EXPECT_EQ(choose_temp_folder(sources), u"/var/tmp/");

    for (std::u16string_view windows :
         {u"C:\\Windows\\Temp\\", u"/x/WINDOWS/tmp/", u"/x/windows/"}) {
        sources.platform_answer = windows;
        EXPECT_EQ(choose_temp_folder(sources), wide_path(docs) + u"/Temp/Temp/")
            << platform::to_utf8(windows);
    }
    EXPECT_TRUE(fs::is_directory(docs / "Temp" / "Temp"));

    sources.platform_answer.clear();
    sources.env_temp = u"/from/temp";
    EXPECT_EQ(choose_temp_folder(sources), u"/from/temp/");
    sources.env_tmpdir = u"/from/tmpdir/";
    EXPECT_EQ(choose_temp_folder(sources), u"/from/tmpdir/");
    sources.env_tmp = u"/from/tmp";
    EXPECT_EQ(choose_temp_folder(sources), u"/from/tmp/");

    const auto current = testing::fresh_folder("current");
    sources = TempFolderSources{};
    sources.tmp_exists = false;  // keeps the fallback inside the sandbox
    sources.current = wide_path(current);
    EXPECT_EQ(choose_temp_folder(sources), wide_path(current / "___") + u"/");
    sources.env_username = u"someone";
    EXPECT_EQ(choose_temp_folder(sources), wide_path(current / "someone") + u"/");
    sources.env_user = u"me";
    EXPECT_EQ(choose_temp_folder(sources), wide_path(current / "me") + u"/");
    EXPECT_TRUE(fs::is_directory(current / "me"));
}
#else
VERMARK_SKIPPED_ON_WINDOWS(TempFolder, ChoosesInTheFixedOrder,
                           "expectations written with Linux separators")
#endif

#ifndef _WIN32
TEST(ProgramLookup, SearchesProgramThenSystemFolders) {
    const fs::path home = testing::sandbox();
    testing::write_bytes(home / "usr/bin/tool", "#!");
    testing::write_bytes(home / "usr/local/bin/local-tool", "#!");
    testing::write_bytes(home / "opt/vendor/app", "#!");
    testing::write_bytes(home / "usr/sbin/winver.exe", "MZ");
    testing::write_bytes(home / "bin/where.exe", "MZ");

    EXPECT_EQ(locate_program(u"tool"), wide_path(home / "usr/bin/tool"));
    EXPECT_EQ(locate_program(u"local-tool"), wide_path(home / "usr/local/bin/local-tool"));
    EXPECT_EQ(locate_program(u"vendor/app"), wide_path(home / "opt/vendor/app"));
    EXPECT_EQ(locate_program(u"winver.exe"), wide_path(home / "usr/sbin/winver.exe"));
    EXPECT_EQ(locate_program(u"C:\\gone\\WHERE.EXE"), u"C:\\gone\\WHERE.EXE")
        << "the system folders are searched by exact name";
    testing::write_bytes(home / "bin/WHERE.EXE", "MZ");
    EXPECT_EQ(locate_program(u"C:\\gone\\WHERE.EXE"), wide_path(home / "bin/WHERE.EXE"));
    EXPECT_EQ(locate_program(u"where.exe"), wide_path(home / "bin/where.exe"));
    EXPECT_EQ(locate_program(u"nothing-here"), u"nothing-here");
    EXPECT_EQ(locate_program(u"nothing.exe"), u"nothing.exe");
    EXPECT_EQ(locate_program(u"https://example.org/x"), u"https://example.org/x");

    const auto own = testing::fresh_folder("own");
    testing::write_bytes(own / "prog", "#!");
    EXPECT_EQ(locate_program(wide_path(own / "prog")), wide_path(own / "prog"));
}
#else
VERMARK_SKIPPED_ON_WINDOWS(ProgramLookup, SearchesProgramThenSystemFolders,
                           "the Linux layout of the places; WindowsFolders checks the Windows one")
#endif

}  // namespace
}  // namespace vermark
