#include "util/path.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/process.h"
#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

using testing::native_separators;
using vermark::testing::wide_path;

std::u16string native(std::u16string_view path) {
    return native_separators(std::u16string(path));
}

TEST(PathParts, SeparatorsOfEitherKind) {
    EXPECT_EQ(ensure_separator(u""), u"");
    EXPECT_EQ(ensure_separator(u"a/"), u"a/");
    EXPECT_EQ(ensure_separator(u"a\\"), u"a\\");
    EXPECT_EQ(ensure_separator(u"a"), native(u"a/"));
    EXPECT_EQ(ensure_separator(u"a", u'\\'), u"a\\");
    EXPECT_EQ(strip_separator(u"a//"), u"a/");
    EXPECT_EQ(strip_separator(u"a"), u"a");
    EXPECT_EQ(strip_separator(u""), u"");
}

TEST(PathParts, FileNameAndFolder) {
    EXPECT_EQ(file_name_of(u"C:\\a\\b.dxf"), u"b.dxf");
    EXPECT_EQ(file_name_of(u"a/b"), u"b");
    EXPECT_EQ(file_name_of(u"a\\b/c"), u"c");
    EXPECT_EQ(file_name_of(u"plain"), u"plain");
    EXPECT_EQ(file_name_of(u"dir/"), u"");
    EXPECT_EQ(framework_file_name_of(u"plain"), u"????????.???");
    EXPECT_EQ(framework_file_name_of(u"/x/plain"), u"plain");
    EXPECT_EQ(folder_of(u"/home/u/plan.dxf"), u"/home/u");
    EXPECT_EQ(folder_of(u"C:\\d\\f.dxf"), u"C:\\d");
    EXPECT_EQ(folder_of(u"plan.dxf"), native(u"/"));
    EXPECT_EQ(folder_of(u"/plan.dxf"), u"/") << "a file in the root lies in the root";
    EXPECT_EQ(folder_of(u"\\plan.dxf"), u"\\");
}

TEST(PathParts, StemAndExtension) {
    EXPECT_EQ(stem_of(u"/d/x.tar.gz"), u"x.tar");
    EXPECT_EQ(extension_of(u"/d/x.tar.gz"), u"gz");
    EXPECT_EQ(stem_of(u"/d/noext"), u"noext");
    EXPECT_EQ(extension_of(u"/d/noext"), u"");
    EXPECT_EQ(stem_of(u"/d/.hidden"), u"");
    EXPECT_EQ(extension_of(u"/d/.hidden"), u"hidden");
    for (std::u16string_view rejected : {u"", u" ", u"????????.???", u"/d/a?b.txt"}) {
        EXPECT_EQ(stem_of(rejected), u"") << platform::to_utf8(rejected);
        EXPECT_EQ(extension_of(rejected), u"") << platform::to_utf8(rejected);
    }
    EXPECT_EQ(extension_lower_of(u"/d/PLAN.DXF"), u"dxf");
    EXPECT_EQ(to_lower(u"AbC-Ä"), u"abc-Ä");
}

TEST(PathParts, ChangeExtension) {
    EXPECT_EQ(change_extension(u"C:\\d\\f.dxf", u"ini"), native(u"C:\\d/f.ini"));
    EXPECT_EQ(change_extension(u"/d/f.dxf", u"ini"), u"/d" + native(u"/f.ini"));
    EXPECT_EQ(change_extension(u"/d/f.dxf", u".ini"), u"/d" + native(u"/f.ini"));
    EXPECT_EQ(change_extension(u"/d/f.dxf", u""), u"/d" + native(u"/f"));
    EXPECT_EQ(change_extension(u"/d/plan.dxf", u".1008.dxf"), u"/d" + native(u"/plan.1008.dxf"));
    EXPECT_EQ(change_extension(u"/plan.dxf", u".1008.dxf"), u"/plan.1008.dxf")
        << "beside its input, not in the current folder";
    EXPECT_EQ(change_extension(u"/d/図面 一.dxf", u"ini"), u"/d" + native(u"/図面 一.ini"));
}

TEST(PathParts, NormaliseSeparators) {
    EXPECT_EQ(normalise_separators(u"\\\\srv\\share//x/", u'\\'), u"\\\\srv\\share\\x");
    EXPECT_EQ(normalise_separators(u"//srv/share//x/"), native(u"//srv/share/x"));
    EXPECT_EQ(normalise_separators(u"/usr//bin/"), native(u"/usr/bin"));
    EXPECT_EQ(normalise_separators(u"a\\b/c"), native(u"a/b/c"));
    EXPECT_EQ(normalise_separators(u"rel//x"), native(u"rel/x"));
    EXPECT_EQ(normalise_separators(u""), native(u""));
}

TEST(StringLists, SplitKeepsQuotedPiecesAndEmptyElements) {
    EXPECT_EQ(split(u"a,\"b,c\",d", u","), (StringList{u"a", u"\"b,c\"", u"d"}));
    EXPECT_EQ(split(u"a,'b,c',d", u","), (StringList{u"a", u"'b,c'", u"d"}));
    EXPECT_EQ(split(u"a,,b", u","), (StringList{u"a", u"", u"b"}));
    EXPECT_EQ(split(u"a,b,", u","), (StringList{u"a", u"b"}));
    EXPECT_EQ(split(u",a", u","), (StringList{u"", u"a"}));
    EXPECT_EQ(split(u"a;b,c", u";,"), (StringList{u"a", u"b", u"c"}));
    EXPECT_EQ(split(u"a,\"b,c", u","), (StringList{u"a", u"\"b,c"}));
    EXPECT_EQ(split(u"\"x\"y,z", u","), (StringList{u"\"x\"y", u"z"}));
    EXPECT_EQ(split(u"", u","), StringList{});
    EXPECT_EQ(split(u"a\r\nb\r\n\r\nc", u"\r\n", true), (StringList{u"a", u"b", u"", u"c"}));
    EXPECT_EQ(split(u"a\r\nb", u"\r\n"), (StringList{u"a", u"", u"b"}));
}

TEST(StringLists, JoinAcrossBlocksOfAHundred) {
    EXPECT_EQ(join({}, u","), u"");
    StringList many;
    for (int i = 0; i < 250; ++i) many.push_back(platform::widen(std::to_string(i)));
    EXPECT_EQ(split(join(many, u", "), u", ", true), many);
}

TEST(ProgramPath, ComparesWithTheSavedArgumentsAndReportsEmptyOnce) {
    const std::u16string platform_answer = platform::executable_path();
    ASSERT_FALSE(platform_answer.empty());

    set_saved_arguments({});
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(get_arv(), platform_answer);
    EXPECT_EQ(get_arv(), platform_answer);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "::get_arv() ... empty\n");

    set_saved_arguments({u"/somewhere/else"});
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(get_arv(), platform_answer);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              platform::to_utf8(platform_answer) + "\n/somewhere/else\n");

    set_saved_arguments({platform_answer});
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(get_arv(), platform_answer);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    set_saved_arguments({});
}

TEST(Existence, FilesFoldersAndEmptyFiles) {
    const auto folder = testing::fresh_folder("exists");
    testing::write_bytes(folder / "full.txt", "x");
    testing::write_bytes(folder / "empty.txt", "");
    testing::write_bytes(folder / "名前 空白.dxf", "0");

    EXPECT_TRUE(exists(wide_path(folder / "full.txt")));
    EXPECT_TRUE(exists(wide_path(folder / "full.txt"), true));
    EXPECT_TRUE(exists(wide_path(folder / "empty.txt")));
    EXPECT_FALSE(exists(wide_path(folder / "empty.txt"), true));
    EXPECT_TRUE(exists(wide_path(folder), true));
    EXPECT_TRUE(exists(wide_path(folder / "名前 空白.dxf")));
    EXPECT_FALSE(exists(wide_path(folder / "missing")));
    EXPECT_FALSE(exists(u""));

    EXPECT_TRUE(folder_exists(wide_path(folder)));
    EXPECT_TRUE(folder_exists(wide_path(folder) + u"/"));
    EXPECT_TRUE(folder_exists(u"/"));
    EXPECT_FALSE(folder_exists(wide_path(folder / "full.txt")));
    EXPECT_FALSE(folder_exists(wide_path(folder / "missing")));
}

#ifndef _WIN32
TEST(Existence, NetworkNamesAreCheckedForAccessOnly) {
    const auto folder = testing::fresh_folder("network");
    testing::write_bytes(folder / "empty", "");
    // On this system "//x" names "/x"; only the access check applies, so an empty file passes
    // even when empty files are rejected.
    const std::u16string network = u"/" + wide_path(folder / "empty");
    EXPECT_TRUE(is_network_name(network));
    EXPECT_TRUE(is_network_name(u"\\\\srv\\share"));
    EXPECT_FALSE(is_network_name(u"/srv"));
    EXPECT_TRUE(exists(network, true));
    EXPECT_FALSE(exists(u"//no-such-server-vermark/share"));
}
#else
VERMARK_SKIPPED_ON_WINDOWS(Existence, NetworkNamesAreCheckedForAccessOnly,
                           "on Linux \"//x\" names \"/x\"; on Windows it names a server")
#endif

}  // namespace
}  // namespace vermark
