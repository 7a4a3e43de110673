#include "settings/version_info.h"

#include <gtest/gtest.h>

#include "platform/version_resource_store.h"
#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"
#include "util/path.h"

namespace vermark {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

using vermark::testing::wide_path;

class VersionInfoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        get_arv();  // its once-per-run report must not land in a captured stream
        file_ = wide_path(testing::fresh_folder("version") / "other.exe");
        testing::write_bytes(platform::to_utf8(file_), "MZ");
    }
    void TearDown() override { platform::set_version_resource_for_testing(file_, std::nullopt); }
    std::u16string file_;
};

TEST_F(VersionInfoTest, TheRunningProgramServesItsOwnStrings) {
    VersionInfo info(get_arv());
    EXPECT_EQ(info.prefix(), u"\\StringFileInfo\\041104b0\\");
    CaptureStderr();
    EXPECT_EQ(info.file_version(), u"1, 0, 2023, 921");
    EXPECT_EQ(info.product_version(), u"1, 0, 2023, 9");
    EXPECT_EQ(info.original_filename(), u"Vermark.EXE");
    EXPECT_EQ(info.product_name(), u"r_Utile");
    EXPECT_EQ(info.file_description(), u"$ACADVER 追加");
    EXPECT_FALSE(info.legal_copyright().empty());
    EXPECT_EQ(GetCapturedStderr(), "");
    CaptureStderr();
    EXPECT_EQ(info.comments(), u"");
    EXPECT_EQ(GetCapturedStderr(), "::VerQueryValue len=0 Comments\n");
}

TEST_F(VersionInfoTest, AnyOtherFileHasNoResourceAndEveryGetterRetries) {
    CaptureStderr();
    VersionInfo info(file_);
    EXPECT_EQ(info.file_version(), u"");
    EXPECT_EQ(info.original_filename(), u"");
    EXPECT_EQ(GetCapturedStderr(),
              "::GetFileVersionInfoSize ... 0\n"
              "::GetFileVersionInfoSize ... 0\n"
              "::GetFileVersionInfoSize ... 0\n");
    CaptureStderr();
    VersionInfo missing(u"/no/such/file.exe");
    EXPECT_FALSE(missing.open(u"/no/such/file.exe"));
    EXPECT_FALSE(missing.open(u""));
    EXPECT_EQ(GetCapturedStderr(), "") << "a missing file is not even asked";
}

TEST_F(VersionInfoTest, OnlyTheFirstTranslationIsRead) {
    platform::VersionResource resource;
    resource.translations = {{0x0409, 0x04E4}, {0x0411, 0x04B0}};
    resource.strings = {{u"040904e4", u"FileVersion", u"english"},
                        {u"041104b0", u"FileVersion", u"japanese"},
                        {u"041104b0", u"ProductName", u"only in japanese"},
                        {u"040904e4", u"Comments", std::u16string(u"cut\0here", 8)}};
    platform::set_version_resource_for_testing(file_, resource);
    VersionInfo info;
    ASSERT_TRUE(info.open(file_));
    EXPECT_EQ(info.prefix(), u"\\StringFileInfo\\040904e4\\");
    EXPECT_EQ(info.file_version(), u"english");
    EXPECT_EQ(info.comments(), u"cut");
    CaptureStderr();
    EXPECT_EQ(info.product_name(), u"");
    EXPECT_EQ(info.query(u"Nonsense"), u"");
    EXPECT_EQ(GetCapturedStderr(),
              "::VerQueryValue ...   ProductName\n::VerQueryValue ...   Nonsense\n");
}

TEST_F(VersionInfoTest, AnEmptyTranslationTableFailsTheLoad) {
    platform::VersionResource resource;
    resource.strings = {{u"041104b0", u"FileVersion", u"1"}};
    platform::set_version_resource_for_testing(file_, resource);
    CaptureStderr();
    VersionInfo info(file_);
    EXPECT_EQ(info.prefix(), u"");
    EXPECT_EQ(info.file_version(), u"");
    EXPECT_EQ(GetCapturedStderr(), "::VerQueryValue   len = 0\n::VerQueryValue   len = 0\n");
}

TEST_F(VersionInfoTest, ReopeningForgetsThePreviousFile) {
    VersionInfo info(get_arv());
    ASSERT_FALSE(info.prefix().empty());
    CaptureStderr();
    EXPECT_FALSE(info.open(file_));
    EXPECT_EQ(info.file_version(), u"");
    GetCapturedStderr();
}

TEST(UnsignedText, PadsButNeverCuts) {
    EXPECT_EQ(unsigned_text(0x411, 16, 4), u"0411");
    EXPECT_EQ(unsigned_text(0x4B0, 16, 4), u"04b0");
    EXPECT_EQ(unsigned_text(0x12345, 16, 4), u"12345");
    EXPECT_EQ(unsigned_text(0, 10, 0), u"0");
    EXPECT_EQ(unsigned_text(5, 1, 0), u"101") << "radix clamped to 2";
    EXPECT_EQ(unsigned_text(35, 99, 2), u"0z") << "radix clamped to 36";
}

}  // namespace
}  // namespace vermark
