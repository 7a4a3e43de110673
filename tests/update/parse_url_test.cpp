#include "platform/parse_url.h"

#include <gtest/gtest.h>

namespace vermark {
namespace {

TEST(ParseUrl, SplitsServiceServerObjectAndPort) {
    auto url = platform::parse_url(u"https://update.example/r_Utile/download");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->service, platform::inet_service_https);
    EXPECT_EQ(url->server, u"update.example");
    EXPECT_EQ(url->object, u"/r_Utile/download");
    EXPECT_EQ(url->port, 443);

    url = platform::parse_url(u"HTTP://127.0.0.1:8080?x=1#top");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->service, platform::inet_service_http);
    EXPECT_EQ(url->server, u"127.0.0.1");
    EXPECT_EQ(url->object, u"/?x=1");
    EXPECT_EQ(url->port, 8080);

    url = platform::parse_url(u"http://user@[::1]:81/");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->server, u"[::1]");
    EXPECT_EQ(url->port, 81);
}

TEST(ParseUrl, BackslashesBeforeTheQueryAreSlashes) {
    // The update page's name is built with the system's separator, a backslash on Windows.
    auto url = platform::parse_url(u"https://127.0.0.1:9\\r_Utile\\download");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->server, u"127.0.0.1");
    EXPECT_EQ(url->port, 9);
    EXPECT_EQ(url->object, u"/r_Utile/download");

    url = platform::parse_url(u"http://host\\a?path=c:\\x");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->server, u"host");
    EXPECT_EQ(url->object, u"/a?path=c:\\x");
}

TEST(ParseUrl, RejectsWhatCannotBeFetched) {
    for (const char16_t* text :
         {u"ftp://host/x", u"http:/host/x", u"http://", u"http://:80/x", u"http://host:0/x",
          u"http://host:65536/x", u"http://host:8a/x", u"//host/x"})
        EXPECT_FALSE(platform::parse_url(text)) << std::u16string(text).size();
}

}  // namespace
}  // namespace vermark
