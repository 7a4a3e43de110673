#include <gtest/gtest.h>

#include <filesystem>

#include "platform/registry.h"
#include "platform/wide.h"
#include "settings/registry_store.h"
#include "settings/settings_location.h"
#include "support/sandbox.h"
#include "util/folders.h"
#include "util/path.h"

namespace vermark {
namespace {

namespace fs = std::filesystem;
constexpr platform::HKEY hkcu = platform::HKEY_CURRENT_USER;

class SettingsLocationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::use_registry_file(testing::fresh_folder("location") / "HKEY_CURRENT_USER.reg");
        reset_registry_base();
        docs_ = platform::to_utf8(special_folder(platform::CSIDL_COMMON_DOCUMENTS));
        fs::remove_all(docs_ / "r_Utile");
        fs::remove_all(docs_ / "Temp" / "r_Utile");
    }
    void TearDown() override {
        platform::use_registry_file({});
        reset_registry_base();
    }

    fs::path docs_;
    RegistryStore registry_;
};

TEST_F(SettingsLocationTest, BaseDefaultsToTheFamilyNameAndIsRecorded) {
    EXPECT_EQ(registry_base(), u"r_Utile");
    EXPECT_EQ(registry_.get_string(hkcu, u"Software\\r_Utile", u"RegKey_Base は", u""), u"r_Utile");
}

TEST_F(SettingsLocationTest, BaseFollowsTheKeysDefaultValueOncePerRun) {
    registry_.write_string(hkcu, u"Software\\r_Utile", u"", u"Other");
    EXPECT_EQ(registry_base(), u"Other");
    registry_.write_string(hkcu, u"Software\\r_Utile", u"", u"Later");
    EXPECT_EQ(registry_base(), u"Other");

    settings_base_folder();
    EXPECT_FALSE(
        registry_.get_string(hkcu, u"Software\\Other\\r_Utile", u"IniFullBase は", u"").empty());
}

TEST_F(SettingsLocationTest, FolderFallsBackToTempAndIsCreated) {
    const std::u16string folder = settings_base_folder();
    EXPECT_EQ(folder, platform::from_utf8((docs_ / "Temp" / "r_Utile" / "_Setting").string()));
    EXPECT_TRUE(fs::is_directory(platform::to_utf8(folder)));
    EXPECT_EQ(registry_.get_string(hkcu, u"Software\\r_Utile\\r_Utile", u"IniFullBase は", u""),
              folder);
}

TEST_F(SettingsLocationTest, FolderUsesTheFirstChoiceWhenItExists) {
    fs::create_directories(docs_ / "r_Utile" / "_Setting");
    EXPECT_EQ(settings_base_folder(),
              platform::from_utf8((docs_ / "r_Utile" / "_Setting").string()));
    EXPECT_FALSE(fs::exists(docs_ / "Temp" / "r_Utile"));
}

TEST_F(SettingsLocationTest, RegistryValueReplacesTheFolderEntirely) {
    const std::u16string chosen = u"/nowhere/at all/";
    registry_.write_string(hkcu, u"Software\\r_Utile\\r_Utile", u"IniFullBase", chosen);
    EXPECT_EQ(settings_base_folder(), chosen);
    EXPECT_EQ(registry_.get_string(hkcu, u"Software\\r_Utile\\r_Utile", u"IniFullBase は", u""),
              chosen);
}

TEST(JoinPath, DropsOuterSeparatorsOfBothParts) {
    // The joint is the system's separator; separators inside a part stay as given.
    EXPECT_EQ(join_path(u"\\a\\", u"/b/"), testing::native_separators(u"a/b"));
    EXPECT_EQ(join_path(u"", u"/b/"), u"b");
    EXPECT_EQ(join_path(u"//\\a", u""), u"a");
    EXPECT_EQ(join_path(u"x/y", u"z"), u"x/y" + std::u16string(1, kSeparator) + u"z");
    EXPECT_EQ(join_path(u"///", u"\\\\"), u"");
    EXPECT_EQ(trim_leading_separator(u"//a"), u"/a");
    EXPECT_EQ(trim_leading_separator(u"\\"), u"");
}

}  // namespace
}  // namespace vermark
