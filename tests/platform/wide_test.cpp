#include "platform/wide.h"

#include <gtest/gtest.h>

namespace vermark {
namespace {

TEST(Wide, RoundTripsJapaneseAndAstralText) {
    const std::string utf8 = "図面 plan\xF0\x9F\x93\x90.dxf";
    const std::u16string wide = platform::from_utf8(utf8);
    EXPECT_EQ(wide, u"図面 plan\U0001F4D0.dxf");
    EXPECT_EQ(platform::to_utf8(wide), utf8);
}

TEST(Wide, ReplacesMalformedInputInsteadOfFailing) {
    EXPECT_EQ(platform::from_utf8("a\xC3"), u"a\uFFFD");          // truncated sequence
    EXPECT_EQ(platform::from_utf8("\xC0\xAF"), u"\uFFFD");        // overlong form
    EXPECT_EQ(platform::from_utf8("\xED\xA0\x80x"), u"\uFFFDx");  // encoded surrogate
    EXPECT_EQ(platform::to_utf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace vermark
