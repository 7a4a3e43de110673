#include "update/url_text.h"

#include <gtest/gtest.h>

#include "platform/wide.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

std::string local_name(std::string_view url) {
    return platform::to_utf8(url_local_name(platform::widen(url)));
}
// The expected name written with '/', in the system's separator.
std::string native(std::string_view name) {
    return platform::to_utf8(testing::native_separators(platform::widen(name)));
}
std::string compact(std::string_view path, std::size_t limit) {
    return platform::to_utf8(compact_path(platform::widen(path), limit));
}
std::string replaced(std::string_view text, std::string_view what, std::string_view by) {
    return platform::to_utf8(
        replace_all(platform::widen(text), platform::widen(what), platform::widen(by)));
}

TEST(UrlLocalName, DefaultPageMapsHostDotsToUnderscoresAndAddsDefaultDocument) {
    EXPECT_EQ(local_name("//a.b.c/r_Utile/download"), native("_/a_b_c/r_Utile/download/_.htm"));
    EXPECT_EQ(local_name("http://a.b.c/r_Utile/download"),
              native("_/a_b_c/r_Utile/download/_.htm"));
    EXPECT_EQ(local_name("https://a.b.c/r_Utile/download/"),
              native("_/a_b_c/r_Utile/download/_.htm"));
}

TEST(UrlLocalName, ExtensionDecidesTheDefaultDocument) {
    // Known extensions compare in lower case but keep their own case.
    EXPECT_EQ(local_name("http://h.jp/css/style.CSS"), native("_/h_jp/css/style.CSS"));
    EXPECT_EQ(local_name("http://h.jp/page.php"), native("_/h_jp/page_php/_.html"));
    EXPECT_EQ(local_name("http://h.jp/index.html"), native("_/h_jp/index.html"));
}

TEST(UrlLocalName, QueryBecomesFoldersWithoutDots) {
    const std::string name = local_name("http://h.jp/p?a=1&b=2");
    EXPECT_EQ(name, native("_/h_jp/p/a_1/b_2/_.htm"));
}

TEST(UrlLocalName, PortPercentAndDotRunsCannotEscapeTheFolder) {
    EXPECT_EQ(local_name("http://h.jp:8080/a%20b/x.txt"), native("_/h_jp/8080/a/20b/x.txt"));
    // A run of dots collapses to one and then becomes '_' in a folder: no "..".
    const std::string name = local_name("http://h.jp/../../etc/passwd.txt");
    EXPECT_EQ(name.find(".."), std::string::npos) << name;
}

TEST(UrlLocalName, LongUrlIsShortenedAroundTheEllipsis) {
    std::string url = "http://host.example/first";
    for (int i = 0; i < 12; ++i) url += "/folder" + std::to_string(i);
    url += "/page.htm";
    const std::string name = local_name(url);
    EXPECT_LE(name.size(), 100u);
    EXPECT_EQ(name.rfind(native("_/host_example/first/_/"), 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 9), native("/page.htm"));
}

TEST(Unquote, RemovesOnePairOfMatchingQuotes) {
    EXPECT_EQ(unquote(u"\"a b\""), u"a b");
    EXPECT_EQ(unquote(u"'x'"), u"x");
    EXPECT_EQ(unquote(u"\"\""), u"");
    EXPECT_EQ(unquote(u"\"'x'\""), u"'x'");
    EXPECT_EQ(unquote(u"\"x'"), u"\"x'");  // not matching
    EXPECT_EQ(unquote(u"\""), u"\"");      // one character is no pair
    EXPECT_EQ(unquote(u"x\"y\""), u"x\"y\"");
}

TEST(Unquote, AllRemovesNestedPairs) {
    EXPECT_EQ(unquote_all(u"\"'\"plan.dxf\"'\""), u"plan.dxf");
    EXPECT_EQ(unquote_all(u"\"\"\""), u"\"");
    EXPECT_EQ(unquote_all(u"plain"), u"plain");
}

TEST(ReplaceAll, ReplacesEveryOccurrenceWithoutLooping) {
    EXPECT_EQ(replaced("....", "..", "."), ".");
    EXPECT_EQ(replaced("a..b...c", "..", "."), "a.b.c");
    EXPECT_EQ(replaced("<p></div>x</div>", "</div>", "</div>\r\n"), "<p></div>\r\nx</div>\r\n");
    EXPECT_EQ(replaced("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(replaced("abc", "", "x"), "abc");
    EXPECT_EQ(replaced("abc", "b", ""), "ac");
}

TEST(ReplaceAll, OtherLetterCaseOnlyWhenNoExactOccurrenceLiesAhead) {
    EXPECT_EQ(replaced("HTTPS://h", "https:", "//"), "////h");
    // The exact occurrence is found first; the capital one before it is left behind.
    EXPECT_EQ(replaced("X x", "x", "y"), "X y");
    EXPECT_EQ(replaced("x X", "x", "y"), "y y");
}

TEST(StripLeadingSeparator, RemovesOneOfEitherKind) {
    EXPECT_EQ(strip_leading_separator(u"//a"), u"/a");
    EXPECT_EQ(strip_leading_separator(u"\\a"), u"a");
    EXPECT_EQ(strip_leading_separator(u"a/"), u"a/");
    EXPECT_EQ(strip_leading_separator(u""), u"");
}

TEST(PathRoot, DriveOrServer) {
    EXPECT_EQ(path_root(u"C:\\x"), u"C:");
    EXPECT_EQ(path_root(u"\\\\srv\\share"), u"\\\\srv");
    EXPECT_EQ(path_root(u"//srv/share"), u"//srv");
    EXPECT_EQ(path_root(u"//srv"), u"");
    EXPECT_EQ(path_root(u"/home/u"), u"");
    EXPECT_EQ(path_root(u"C"), u"");
    EXPECT_EQ(path_root(u"/\\srv/x"), u"");
}

TEST(CompactPath, KeepsRootFirstFolderAndAsManyLastFoldersAsFit) {
    const std::string path = "C:\\one\\two\\three\\four\\file.txt";
    ASSERT_EQ(path.size(), 30u);
    EXPECT_EQ(compact(path, 30), path);
    EXPECT_EQ(compact(path, 200), path);
    EXPECT_EQ(compact(path, 25), "C:\\one\\...\\four\\file.txt");
    EXPECT_EQ(compact(path, 19), "C:\\one\\...\\file.txt");
    EXPECT_EQ(compact(path, 18), "file.txt");
    EXPECT_EQ(compact(path, 3), "file.txt");  // the name even when longer than the limit
}

TEST(CompactPath, ForwardSlashPaths) {
    EXPECT_EQ(compact("/home/user/projects/site/plans/plan.dxf", 30),
              "/home/.../site/plans/plan.dxf");
    EXPECT_EQ(compact("//srv/share/a/b/c/d/file.dxf", 24), "//srv/share/.../file.dxf");
    EXPECT_EQ(compact("relative/a/b/c/name.txt", 21), "relative/.../name.txt");
    EXPECT_EQ(compact("relative/a/b/c/name.txt", 20), "name.txt");
}

}  // namespace
}  // namespace vermark
