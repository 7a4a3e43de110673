#include <gtest/gtest.h>
#include <stdlib.h>

#include <regex>

#include "platform/wide.h"
#include "update/startup_check.h"
#include "update/u_agent.h"
#include "util/folders.h"

namespace vermark {
namespace {

class AgentText : public ::testing::Test {
  protected:
    void SetUp() override { reset_user_agent_text(); }
    void TearDown() override {
        set_main_window_dpi_source({});
        reset_user_agent_text();
    }
};

TEST_F(AgentText, HasTheFixedFormWithTwoBlanksBetweenPieces) {
    const std::string agent = platform::to_utf8(user_agent_text());
    const std::regex form(
        R"(^\S.* Windows NT [0-9.]+ \([0-9.]+\) (\(.+\))? Ver\.[0-9.]+ ( WOW64 )? UNICODE  AFXDLL  Win 400  VC 6  MSC 12 .*$)");
    EXPECT_TRUE(std::regex_match(agent, form)) << agent;
    EXPECT_TRUE(agent.ends_with(" " + platform::to_utf8(user_name()))) << agent;
}

TEST_F(AgentText, IsBuiltOnceAndKeptForTheRun) {
    const std::u16string first = user_agent_text();
    set_main_window_dpi_source([] { return 144.0; });  // a later change does not show
    EXPECT_EQ(user_agent_text(), first);
    reset_user_agent_text();
    EXPECT_NE(user_agent_text(), first);
}

TEST_F(AgentText, ScalingPieceIsAbsentAtNinetySixDotsPerInch) {
    EXPECT_EQ(dpi_text(), u"");
    set_main_window_dpi_source([] { return 96.0; });
    EXPECT_EQ(dpi_text(), u"");
    set_main_window_dpi_source([] { return 120.0; });
    EXPECT_EQ(dpi_text(), u"  DPI 125%");
    set_main_window_dpi_source([] { return 144.0; });
    EXPECT_EQ(dpi_text(), u"  DPI 150%");
}

TEST_F(AgentText, SystemVersionKeepsTheWindowsNtFormWithTheKernelsNumbers) {
    const std::u16string full = windows_product_version();
    ASSERT_FALSE(full.empty());
    EXPECT_TRUE(std::regex_match(platform::to_utf8(full), std::regex(R"([0-9]+(\.[0-9]+)*)")));
    const std::string text = platform::to_utf8(os_version_text());
    EXPECT_TRUE(text.starts_with("Windows NT ")) << text;
    EXPECT_TRUE(text.ends_with(" (" + platform::to_utf8(full) + ")")) << text;
}

TEST_F(AgentText, CaptionGainsTheEnvironmentDescriptionOnce) {
    set_main_window_dpi_source([] { return 144.0; });
    const std::u16string caption = startup_caption(u"$ACADVER 追加");
    EXPECT_EQ(caption, u"$ACADVER 追加" + environment_description());
    const std::string text = platform::to_utf8(caption);
    EXPECT_TRUE(
        std::regex_match(text, std::regex(R"(\$ACADVER 追加 .*Ver\.[0-9.]+  MSC 12   DPI 150%)")))
        << text;
    EXPECT_EQ(caption_with_suffix(u"T", u"given"), u"T given");
}

TEST(TextHelpers, FormatsAndParsesNumbers) {
    EXPECT_EQ(format_real(6.0), u"6");
    EXPECT_EQ(format_real(10.5), u"10.5");
    EXPECT_EQ(format_real(0.0), u"0");
    EXPECT_EQ(format_real(-2.25), u"-2.25");
    EXPECT_EQ(format_real(1e60).find(u'e') != std::u16string::npos, true);
    EXPECT_DOUBLE_EQ(parse_real(u"10.0.19041.1"), 10.0);
    EXPECT_DOUBLE_EQ(parse_real(u"  6.1.0"), 6.1);
    EXPECT_DOUBLE_EQ(parse_real(u"x"), 0.0);
    EXPECT_EQ(integer_text(1024, 16), u"400");
    EXPECT_EQ(integer_text(-12, 10), u"-12");
    EXPECT_EQ(integer_text(35, 99), u"z");
    EXPECT_EQ(parse_long(u" 6 apples"), 6);
    EXPECT_EQ(parse_long(u"six"), 0);
}

TEST(TextHelpers, TrimsComparesAndBrackets) {
    EXPECT_EQ(trim(u" \t a b \r\n"), u"a b");
    EXPECT_TRUE(equals_ignoring_case(u"Update Count", u"update count"));
    EXPECT_FALSE(equals_ignoring_case(u"update", u"updates"));
    EXPECT_EQ(bracketed(u"x", u'('), u"(x)");
    EXPECT_EQ(bracketed(u"x", u'{'), u"{x}");
    EXPECT_EQ(bracketed(u"x", u'|'), u"|x|");
}

}  // namespace
}  // namespace vermark
