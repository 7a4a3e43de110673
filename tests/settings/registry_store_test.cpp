#include "settings/registry_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <limits>

#ifndef _WIN32
#include "platform/posix/system_calls.h"
#endif
#include "support/sandbox.h"

namespace vermark {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

constexpr platform::HKEY hkcu = platform::HKEY_CURRENT_USER;

class RegistryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        file_ = testing::fresh_folder("registry_store") / "HKEY_CURRENT_USER.reg";
        platform::use_registry_file(file_);
    }
    void TearDown() override { platform::use_registry_file({}); }

    static bool key_exists(const char16_t* path) {
        platform::HKEY key = platform::HKEY::none;
        const bool found = platform::reg_open_key(hkcu, path, platform::KEY_READ, &key) ==
                           platform::RegError::success;
        platform::reg_close_key(key);
        return found;
    }

    std::filesystem::path file_;
    RegistryStore store_;
};

TEST_F(RegistryStoreTest, ReadFailuresGiveTheDefaultAndTheirText) {
    ASSERT_TRUE(store_.write_string(hkcu, u"Software\\A", u"Name", u"text"));
    ASSERT_TRUE(store_.write_int(hkcu, u"Software\\A", u"Count", 3));

    EXPECT_EQ(store_.get_int(hkcu, u"Software\\A", u"Name", -1), -1);
    EXPECT_EQ(store_.last_error(), u"ＲＥＧ＿ＤＷＯＲＤでない　Software\\A\\[Name]");

    EXPECT_EQ(store_.get_string(hkcu, u"Software\\A", u"Count", u"dflt"), u"dflt");
    EXPECT_EQ(store_.last_error(), u"ＲＥＧ＿ＳＺでない　　　　Software\\A\\[Count]");

    EXPECT_EQ(store_.get_int(hkcu, u"Software\\A", u"Size", 9), 9);
    EXPECT_EQ(store_.last_error(), u"エントリが存在しない　　　Software\\A\\[Size]");

    EXPECT_EQ(store_.get_string(hkcu, u"Software\\Missing", u"Name", std::nullopt), u"");
    EXPECT_EQ(store_.last_error(), u"指定セクションを開けない　Software\\Missing");
    EXPECT_FALSE(key_exists(u"Software\\Missing"));

    // Each new operation starts with a clean slate.
    EXPECT_EQ(store_.get_int(hkcu, u"software\\a", u"COUNT", 0), 3);
    EXPECT_EQ(store_.last_error(), u"");
    EXPECT_EQ(store_.get_string(hkcu, u"Software\\A", u"Name", u""), u"text");
}

TEST_F(RegistryStoreTest, WriteAndDeleteFailuresLeaveTheirText) {
    ASSERT_TRUE(store_.write_int(hkcu, u"Software\\A\\Sub\\Leaf", u"x", 1));

    EXPECT_FALSE(store_.delete_value(hkcu, u"Software\\A", u"Nothing"));
    EXPECT_EQ(store_.last_error(), u"削除に失敗　　値　　　　　Software\\A\\[Nothing]");

    EXPECT_FALSE(store_.delete_key(hkcu, u"Software\\A", u"Sub"));  // Sub still has Leaf
    EXPECT_EQ(store_.last_error(), u"削除に失敗　　キー　　　　Software\\A\\[Sub]");
    EXPECT_TRUE(key_exists(u"Software\\A\\Sub"));
}

#ifndef _WIN32
// The stand-in's file cannot be replaced on disk: the new copy never gets its name.
TEST_F(RegistryStoreTest, AFileThatCannotBeReplacedLosesNothing) {
    ASSERT_TRUE(store_.write_int(hkcu, u"Software\\A\\Sub\\Leaf", u"x", 1));
    struct RealCallsBack {
        ~RealCallsBack() { platform::system_calls() = platform::real_system_calls(); }
    } real_calls_back;
    platform::system_calls().linkat = [](int, const char*, int, const char*, int) {
        errno = EIO;
        return -1;
    };
    platform::system_calls().rename = [](const char*, const char*) {
        errno = EIO;
        return -1;
    };
    EXPECT_FALSE(store_.write_int(hkcu, u"Software\\A", u"Count", 1));
    EXPECT_EQ(store_.last_error(), u"登録に失敗　　　　　　　　Software\\A\\[Count]");
    EXPECT_FALSE(store_.write_string(hkcu, u"Software\\A", u"Name", u"v"));
    EXPECT_EQ(store_.last_error(), u"登録に失敗　　　　　　　　Software\\A\\[Name]");
    EXPECT_EQ(store_.get_int(hkcu, u"Software\\A\\Sub\\Leaf", u"x", 0), 1);  // nothing lost
}
#endif

TEST_F(RegistryStoreTest, WriteStringCreatesAndDeletes) {
    ASSERT_TRUE(store_.write_string(hkcu, u"Software\\New\\Deep", u"v", u"1"));
    EXPECT_TRUE(key_exists(u"Software\\New"));

    EXPECT_TRUE(store_.write_string(hkcu, u"Software\\New\\Deep", u"v", std::nullopt));
    EXPECT_EQ(store_.get_string(hkcu, u"Software\\New\\Deep", u"v", u"gone"), u"gone");

    EXPECT_TRUE(store_.write_string(hkcu, u"Software\\New\\Deep", std::nullopt, std::nullopt));
    EXPECT_FALSE(key_exists(u"Software\\New\\Deep"));
    EXPECT_TRUE(key_exists(u"Software\\New"));
}

TEST_F(RegistryStoreTest, TextsEndAtTheirFirstZeroAndTheDefaultValueHasNoName) {
    const std::u16string with_zero(u"ab\0cd", 5);
    ASSERT_TRUE(store_.write_string(hkcu, u"K", u"v", with_zero));
    EXPECT_EQ(store_.get_string(hkcu, u"K", u"v", u""), u"ab");

    ASSERT_TRUE(store_.write_string(hkcu, u"K", u"", u"default"));
    EXPECT_EQ(store_.get_string(hkcu, u"K", u"", u"x"), u"default");

    // A stored text without its terminating zero (written by another program) reads whole.
    platform::HKEY key = platform::HKEY::none;
    ASSERT_EQ(platform::reg_open_key(hkcu, u"K", platform::KEY_SET_VALUE, &key),
              platform::RegError::success);
    const std::uint8_t bare[] = {'h', 0, 'i', 0, '!'};
    platform::reg_set_value(key, u"bare", platform::REG_SZ, bare, sizeof bare);
    const std::uint8_t long_dword[] = {1, 0, 0, 0, 0, 0, 0, 0};
    platform::reg_set_value(key, u"wide", platform::REG_DWORD, long_dword, sizeof long_dword);
    platform::reg_close_key(key);
    EXPECT_EQ(store_.get_string(hkcu, u"K", u"bare", u""), u"hi!");
    EXPECT_EQ(store_.get_int(hkcu, u"K", u"wide", 42), 42);
}

TEST_F(RegistryStoreTest, Listings) {
    std::vector<std::u16string> list = {u"stale"};
    EXPECT_FALSE(store_.enum_keys(hkcu, u"Nowhere", list));
    EXPECT_THAT(list, IsEmpty());
    EXPECT_FALSE(store_.enum_keys(hkcu, std::nullopt, list));

    store_.write_int(hkcu, u"L\\b", u"x", 1);
    store_.write_int(hkcu, u"L\\A", u"x", 1);
    store_.write_int(hkcu, u"L", u"second", 2);
    store_.write_int(hkcu, u"L", u"first", 1);
    EXPECT_TRUE(store_.enum_keys(hkcu, u"L", list));
    EXPECT_THAT(list, ElementsAre(u"A", u"b"));
    EXPECT_TRUE(store_.enum_values(hkcu, u"L", list));
    // Values have no promised order: Windows lists them as created, Wine sorts them by name.
    EXPECT_THAT(list, UnorderedElementsAre(u"second", u"first"));
#ifndef _WIN32
    EXPECT_THAT(list, ElementsAre(u"second", u"first")) << "the stand-in keeps creation order";
#endif
    EXPECT_TRUE(store_.enum_keys(hkcu, u"L\\A", list));
    EXPECT_THAT(list, IsEmpty());
}

TEST_F(RegistryStoreTest, TypedValuesRoundTripExactly) {
    const auto key = u"Software\\T";
    ASSERT_TRUE(store_.write_float(hkcu, key, u"F", 1.23456789));
    EXPECT_EQ(store_.get_float(hkcu, key, u"F", 0.0), 1.23456789);

    const Rect rect{10, -20, 300, 400};
    ASSERT_TRUE(store_.write_rect(hkcu, key, u"W", rect));
    EXPECT_EQ(store_.get_string(hkcu, key, u"W_LTRB", u""), u"\"10 -20 300 400\"");
    EXPECT_EQ(store_.get_rect(hkcu, key, u"W", {}), rect);

    ASSERT_TRUE(store_.write_int64(hkcu, key, u"Big", -5'000'000'000));
    EXPECT_EQ(store_.get_string(hkcu, key, u"Big_I64_", u""), u"-5000000000");
    EXPECT_EQ(store_.get_int64(hkcu, key, u"Big", 0), -5'000'000'000);
}

TEST_F(RegistryStoreTest, TypedValuesFromMissingOrOddTexts) {
    const auto key = u"Software\\T";
    for (std::int64_t d : {std::int64_t{-1}, std::int64_t{1} << 33, std::int64_t{0x80000000},
                           std::numeric_limits<std::int64_t>::min()})
        EXPECT_EQ(store_.get_int64(hkcu, key, u"Missing", d), d);
    EXPECT_EQ(store_.get_point(hkcu, key, u"P", {-3, 4}), (Point{-3, 4}));
    EXPECT_EQ(store_.get_rect(hkcu, key, u"R", {1, 2, 3, 4}), (Rect{1, 2, 3, 4}));

    store_.write_string(hkcu, key, u"P_L_XY", u"'7 8'");
    EXPECT_EQ(store_.get_point(hkcu, key, u"P", {}), (Point{7, 8}));
    store_.write_string(hkcu, key, u"P_L_XY", u"\"7 8");
    EXPECT_EQ(store_.get_point(hkcu, key, u"P", {}), (Point{0, 8}));

    // A low half stored as minus one is the unsigned low 32 bits of the value.
    store_.write_int(hkcu, key, u"H_H", 1);
    store_.write_int(hkcu, key, u"H_L", -1);
    EXPECT_EQ(store_.get_hilo(hkcu, key, u"H", 0), 0x1FFFFFFFFll);

    // Absent names: the default without touching the registry.
    store_.get_int(hkcu, u"Nowhere", u"x", 0);
    const std::u16string before = store_.last_error();
    EXPECT_EQ(store_.get_hilo(hkcu, key, std::nullopt, 77), 77);
    EXPECT_EQ(store_.last_error(), before);
    EXPECT_FALSE(store_.write_hilo(hkcu, std::nullopt, u"H", 1));
}

}  // namespace
}  // namespace vermark
