#include "platform/registry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/standin/registry_tree.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        file_ = testing::fresh_folder("registry") / "HKEY_CURRENT_USER.reg";
        platform::use_registry_file(file_);
    }
    void TearDown() override { platform::use_registry_file({}); }

    platform::HKEY create(const char16_t* path,
                          std::uint32_t access = platform::KEY_READ | platform::KEY_WRITE) {
        platform::HKEY key = platform::HKEY::none;
        EXPECT_EQ(platform::reg_create_key(platform::HKEY_CURRENT_USER, path, access, &key),
                  platform::RegError::success);
        return key;
    }

    static platform::RegError set_dword(platform::HKEY key, const char16_t* name,
                                        std::uint32_t value) {
        const std::uint8_t bytes[4] = {
            static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        return platform::reg_set_value(key, name, platform::REG_DWORD, bytes, 4);
    }

    static std::uint32_t get_dword(platform::HKEY key, const char16_t* name) {
        std::uint8_t bytes[4] = {};
        std::uint32_t size = 4;
        EXPECT_EQ(platform::reg_query_value(key, name, nullptr, bytes, &size),
                  platform::RegError::success);
        return bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
               static_cast<std::uint32_t>(bytes[3]) << 24;
    }

    static std::vector<std::u16string> subkeys(platform::HKEY key) {
        std::vector<std::u16string> names;
        char16_t name[256];
        for (std::uint32_t i = 0;; ++i) {
            std::uint32_t length = 256;
            if (platform::reg_enum_key(key, i, name, &length) != platform::RegError::success) break;
            names.emplace_back(name, length);
        }
        return names;
    }

    std::filesystem::path file_;
};

TEST_F(RegistryTest, KeysMatchIgnoringCaseAndListInNameOrder) {
    platform::HKEY created = create(u"Software\\Maker\\Tool");
    ASSERT_EQ(set_dword(created, u"Count", 7), platform::RegError::success);
    platform::reg_close_key(created);
    platform::reg_close_key(create(u"SOFTWARE\\maker\\alpha"));
    platform::reg_close_key(
        create(u"software\\MAKER\\beta\\"));  // one trailing separator is allowed

    platform::HKEY maker = platform::HKEY::none;
    ASSERT_EQ(platform::reg_open_key(platform::HKEY_CURRENT_USER, u"software\\maker",
                                     platform::KEY_READ, &maker),
              platform::RegError::success);
    EXPECT_THAT(subkeys(maker), ElementsAre(u"alpha", u"beta", u"Tool"));
    platform::HKEY tool = platform::HKEY::none;
    ASSERT_EQ(platform::reg_open_key(maker, u"TOOL", platform::KEY_READ, &tool),
              platform::RegError::success);
    EXPECT_EQ(get_dword(tool, u"count"), 7u);
    platform::reg_close_key(tool);
    platform::reg_close_key(maker);
}

TEST_F(RegistryTest, PathsWithEmptyPartsNameNoKey) {
    platform::reg_close_key(create(u"Software\\A"));
    platform::HKEY key = platform::HKEY::none;
    EXPECT_EQ(platform::reg_open_key(platform::HKEY_CURRENT_USER, u"Software\\\\A",
                                     platform::KEY_READ, &key),
              platform::RegError::file_not_found);
    EXPECT_EQ(platform::reg_open_key(platform::HKEY_CURRENT_USER, u"\\Software", platform::KEY_READ,
                                     &key),
              platform::RegError::file_not_found);
    EXPECT_EQ(platform::reg_create_key(platform::HKEY_CURRENT_USER, u"Software\\\\B",
                                       platform::KEY_WRITE, &key),
              platform::RegError::bad_pathname);
    EXPECT_EQ(key, platform::HKEY::none);
    EXPECT_EQ(platform::reg_create_key(platform::HKEY_CURRENT_USER, u"Software\\bad\nname",
                                       platform::KEY_WRITE, &key),
              platform::RegError::invalid_parameter);
    // A refused path creates none of its parents either, not even in memory.
    EXPECT_EQ(platform::reg_create_key(platform::HKEY_CURRENT_USER, u"Fresh\\bad\nname",
                                       platform::KEY_WRITE, &key),
              platform::RegError::invalid_parameter);
    EXPECT_EQ(
        platform::reg_open_key(platform::HKEY_CURRENT_USER, u"Fresh", platform::KEY_READ, &key),
        platform::RegError::file_not_found);
}

TEST_F(RegistryTest, QueryReportsTypeAndSizeAndRefusesSmallBuffers) {
    platform::HKEY key = create(u"K");
    const std::uint8_t text[] = {'h', 0, 'i', 0, 0, 0};
    ASSERT_EQ(platform::reg_set_value(key, nullptr, platform::REG_SZ, text, sizeof text),
              platform::RegError::success);

    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(platform::reg_query_value(key, u"", &type, nullptr, &size),
              platform::RegError::success);
    EXPECT_EQ(type, platform::REG_SZ);
    EXPECT_EQ(size, 6u);
    std::uint8_t small[4];
    size = sizeof small;
    EXPECT_EQ(platform::reg_query_value(key, nullptr, nullptr, small, &size),
              platform::RegError::more_data);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(platform::reg_query_value(key, u"missing", &type, nullptr, &size),
              platform::RegError::file_not_found);
    platform::reg_close_key(key);
}

TEST_F(RegistryTest, DeletingKeysAndValues) {
    platform::HKEY parent = create(u"P\\Child\\Grandchild");
    platform::reg_close_key(parent);
    ASSERT_EQ(platform::reg_open_key(platform::HKEY_CURRENT_USER, u"P\\Child",
                                     platform::KEY_READ | platform::KEY_WRITE, &parent),
              platform::RegError::success);
    platform::HKEY top = platform::HKEY::none;
    ASSERT_EQ(
        platform::reg_open_key(platform::HKEY_CURRENT_USER, u"P", platform::KEY_SET_VALUE, &top),
        platform::RegError::success);
    EXPECT_EQ(platform::reg_delete_key(top, u"Child"),
              platform::RegError::access_denied);  // still has a subkey
    EXPECT_EQ(platform::reg_delete_key(top, u"child\\grandchild"), platform::RegError::success);
    EXPECT_EQ(platform::reg_delete_key(top, u"Child"), platform::RegError::success);
    EXPECT_EQ(platform::reg_delete_key(top, u"Child"), platform::RegError::file_not_found);
    EXPECT_EQ(set_dword(parent, u"v", 1),
              platform::RegError::key_deleted);  // handle to a deleted key

    ASSERT_EQ(set_dword(top, u"v", 1), platform::RegError::success);
    EXPECT_EQ(platform::reg_delete_value(top, u"V"), platform::RegError::success);
    EXPECT_EQ(platform::reg_delete_value(top, u"v"), platform::RegError::file_not_found);
    platform::reg_close_key(top);
    platform::reg_close_key(parent);
}

TEST_F(RegistryTest, FileIsReadableTextAndSurvivesReopening) {
    platform::HKEY key = create(u"Software\\r_Utile");
    const std::u16string base = u"r_Utile";
    std::u16string stored = base + char16_t{0};
    platform::reg_set_value(key, u"", platform::REG_SZ,
                            reinterpret_cast<const std::uint8_t*>(stored.data()),
                            stored.size() * 2);
    std::u16string marked = u"RegKey_Base は";
    platform::reg_set_value(key, marked.c_str(), platform::REG_SZ,
                            reinterpret_cast<const std::uint8_t*>(stored.data()),
                            stored.size() * 2);
    set_dword(key, u"Size", 0xFFFFFFFF);
    platform::reg_close_key(key);

    const std::string text = testing::read_bytes(file_);
    EXPECT_THAT(text, HasSubstr("[HKEY_CURRENT_USER\\Software\\r_Utile]\n"
                                "@=\"r_Utile\"\n"
                                "\"RegKey_Base は\"=\"r_Utile\"\n"
                                "\"Size\"=dword:ffffffff\n"));

    // Another program (simulated by a fresh read of the file) sees the same tree.
    const platform::RegNode tree = platform::parse_registry_text(text);
    EXPECT_EQ(platform::format_registry_text(tree), text);
}

TEST_F(RegistryTest, AFifoInTheFilesPlaceIsNeitherWaitedOnNorReplaced) {
    ASSERT_EQ(::mkfifo(file_.c_str(), 0600), 0);
    platform::HKEY key = platform::HKEY::none;
    EXPECT_NE(
        platform::reg_open_key(platform::HKEY_CURRENT_USER, u"Software", platform::KEY_READ, &key),
        platform::RegError::success);
    EXPECT_NE(platform::reg_create_key(platform::HKEY_CURRENT_USER, u"Software",
                                       platform::KEY_WRITE, &key),
              platform::RegError::success);
    EXPECT_TRUE(std::filesystem::is_fifo(file_));
}

TEST(RegistryText, UnusualValuesKeepTheirExactBytes) {
    platform::RegNode root;
    platform::RegNode& key = platform::add_child(root, u"K");
    auto bytes_of = [](std::u16string text) {
        std::vector<std::uint8_t> out;
        for (char16_t unit : text) {
            out.push_back(static_cast<std::uint8_t>(unit));
            out.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
        return out;
    };
    const std::u16string tricky = {u'a', u'"', u'\\', u'\n', 0xD800, u'z', 0};
    key.values.push_back({u"quote\"and\\slash", platform::REG_SZ, bytes_of(tricky)});
    key.values.push_back({u"unterminated", platform::REG_SZ, bytes_of(u"ab")});
    key.values.push_back({u"odd", platform::REG_SZ, {0x41, 0x00, 0x00}});
    key.values.push_back({u"blob", platform::REG_BINARY, {0x00, 0xFF}});
    key.values.push_back({u"short dword", platform::REG_DWORD, {0x01}});
    key.values.push_back({u"qword", 11, {1, 2, 3, 4, 5, 6, 7, 8}});

    const platform::RegNode back =
        platform::parse_registry_text(platform::format_registry_text(root));
    ASSERT_EQ(back.children.size(), 1u);
    ASSERT_EQ(back.children[0].values.size(), key.values.size());
    for (std::size_t i = 0; i < key.values.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(back.children[0].values[i].name, key.values[i].name);
        EXPECT_EQ(back.children[0].values[i].type, key.values[i].type);
        EXPECT_EQ(back.children[0].values[i].data, key.values[i].data);
    }
}

TEST(RegistryText, DamagedLinesAndForeignRootsAreSkipped) {
    const platform::RegNode tree = platform::parse_registry_text(
        "[HKEY_LOCAL_MACHINE\\Other]\n\"hidden\"=dword:00000001\n"
        "[hkey_current_user\\Good]\r\n"
        "\"ok\"=dword:00000002\r\n"
        "\"bad\"=dword:12\n"
        "\"open=\"text\n"
        "garbage\n"
        "[HKEY_CURRENT_USER\\\\Empty part]\n\"lost\"=\"x\"\n");
    ASSERT_EQ(tree.children.size(), 1u);
    EXPECT_EQ(tree.children[0].name, u"Good");
    ASSERT_EQ(tree.children[0].values.size(), 1u);
    EXPECT_EQ(tree.children[0].values[0].name, u"ok");
}

// Two programs updating the registry at once must not lose each other's values.
TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
    constexpr int writers = 2;
    constexpr int values_each = 40;
    std::vector<pid_t> children;
    for (int w = 0; w < writers; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < values_each; ++i) {
                platform::HKEY key = platform::HKEY::none;
                std::u16string name = u"w" + std::u16string(1, u'0' + w) + u"_";
                for (char c : std::to_string(i)) name += static_cast<char16_t>(c);
                ok = ok && platform::reg_create_key(platform::HKEY_CURRENT_USER, u"Shared",
                                                    platform::KEY_WRITE,
                                                    &key) == platform::RegError::success;
                ok = ok && set_dword(key, name.c_str(), i) == platform::RegError::success;
                platform::reg_close_key(key);
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    platform::HKEY key = platform::HKEY::none;
    ASSERT_EQ(
        platform::reg_open_key(platform::HKEY_CURRENT_USER, u"Shared", platform::KEY_READ, &key),
        platform::RegError::success);
    std::uint32_t count = 0;
    char16_t name[64];
    for (std::uint32_t length = 64;
         platform::reg_enum_value(key, count, name, &length) == platform::RegError::success;
         length = 64)
        ++count;
    EXPECT_EQ(count, static_cast<std::uint32_t>(writers * values_each));
    platform::reg_close_key(key);
}

// A damaged file with one key nested 50,000 levels deep: the key reads as missing, the rest of
// the registry works, and writing does not blow the file up.
TEST_F(RegistryTest, AKeyNestedTooDeepReadsAsMissing) {
    std::string header = "[HKEY_CURRENT_USER";
    for (int i = 0; i < 50000; ++i) header += "\\k";
    testing::write_bytes(
        file_, "[HKEY_CURRENT_USER\\Software\\r_Utile]\n\"Size\"=dword:00000007\n" + header +
                   "]\n\"deep\"=dword:00000001\n");
    const std::size_t before = testing::read_bytes(file_).size();

    platform::HKEY key = platform::HKEY::none;
    EXPECT_EQ(
        platform::reg_open_key(platform::HKEY_CURRENT_USER, u"k\\k\\k", platform::KEY_READ, &key),
        platform::RegError::file_not_found);
    key = create(u"Software\\r_Utile");
    EXPECT_EQ(set_dword(key, u"Count", 3), platform::RegError::success);
    std::uint32_t value = 0, size = 4;
    EXPECT_EQ(platform::reg_query_value(key, u"Size", nullptr,
                                        reinterpret_cast<std::uint8_t*>(&value), &size),
              platform::RegError::success);
    EXPECT_EQ(value, 7u);
    platform::reg_close_key(key);
    EXPECT_LT(testing::read_bytes(file_).size(), before);
}

TEST_F(RegistryTest, KeysCannotNestBeyondThePlatformsDepth) {
    std::u16string path = u"d";
    for (std::size_t i = 1; i < platform::kMaxRegKeyDepth; ++i) path += u"\\d";
    platform::HKEY key = create(path.c_str());
    platform::reg_close_key(key);
    EXPECT_EQ(platform::reg_create_key(platform::HKEY_CURRENT_USER, (path + u"\\d").c_str(),
                                       platform::KEY_WRITE, &key),
              platform::RegError::invalid_parameter);
    std::size_t too_deep = 0;
    const platform::RegNode back =
        platform::parse_registry_text(testing::read_bytes(file_), &too_deep);
    EXPECT_EQ(too_deep, 0u);
    ASSERT_EQ(back.children.size(), 1u);
}

// Every level used to write its own header with its whole path: the text grew with the square
// of the depth.
TEST(RegistryText, TextGrowsWithTheTreeNotWithItsDepthSquared) {
    platform::RegNode root;
    platform::RegNode* node = &root;
    for (std::size_t i = 0; i < platform::kMaxRegKeyDepth; ++i)
        node = &platform::add_child(*node, u"level");
    node->values.push_back({u"v", platform::REG_DWORD, {1, 0, 0, 0}});
    platform::add_child(root, u"empty");

    const std::string text = platform::format_registry_text(root);
    EXPECT_LT(text.size(), 8 * platform::kMaxRegKeyDepth);
    const platform::RegNode back = platform::parse_registry_text(text);
    EXPECT_EQ(platform::format_registry_text(back), text);
    ASSERT_EQ(back.children.size(), 2u);
    EXPECT_EQ(back.children[0].name, u"empty");
}

}  // namespace
}  // namespace vermark
