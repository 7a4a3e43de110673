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
        use_registry_file(file_);
    }
    void TearDown() override { use_registry_file({}); }

    HKEY create(const char16_t* path, std::uint32_t access = KEY_READ | KEY_WRITE) {
        HKEY key = HKEY::none;
        EXPECT_EQ(reg_create_key(HKEY_CURRENT_USER, path, access, &key), RegError::success);
        return key;
    }

    static RegError set_dword(HKEY key, const char16_t* name, std::uint32_t value) {
        const std::uint8_t bytes[4] = {
            static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        return reg_set_value(key, name, REG_DWORD, bytes, 4);
    }

    static std::uint32_t get_dword(HKEY key, const char16_t* name) {
        std::uint8_t bytes[4] = {};
        std::uint32_t size = 4;
        EXPECT_EQ(reg_query_value(key, name, nullptr, bytes, &size), RegError::success);
        return bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
               static_cast<std::uint32_t>(bytes[3]) << 24;
    }

    static std::vector<std::u16string> subkeys(HKEY key) {
        std::vector<std::u16string> names;
        char16_t name[256];
        for (std::uint32_t i = 0;; ++i) {
            std::uint32_t length = 256;
            if (reg_enum_key(key, i, name, &length) != RegError::success) break;
            names.emplace_back(name, length);
        }
        return names;
    }

    std::filesystem::path file_;
};

TEST_F(RegistryTest, KeysMatchIgnoringCaseAndListInNameOrder) {
    HKEY created = create(u"Software\\Maker\\Tool");
    ASSERT_EQ(set_dword(created, u"Count", 7), RegError::success);
    reg_close_key(created);
    reg_close_key(create(u"SOFTWARE\\maker\\alpha"));
    reg_close_key(create(u"software\\MAKER\\beta\\"));  // one trailing separator is allowed

    HKEY maker = HKEY::none;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"software\\maker", KEY_READ, &maker),
              RegError::success);
    EXPECT_THAT(subkeys(maker), ElementsAre(u"alpha", u"beta", u"Tool"));
    HKEY tool = HKEY::none;
    ASSERT_EQ(reg_open_key(maker, u"TOOL", KEY_READ, &tool), RegError::success);
    EXPECT_EQ(get_dword(tool, u"count"), 7u);
    reg_close_key(tool);
    reg_close_key(maker);
}

TEST_F(RegistryTest, PathsWithEmptyPartsNameNoKey) {
    reg_close_key(create(u"Software\\A"));
    HKEY key = HKEY::none;
    EXPECT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Software\\\\A", KEY_READ, &key),
              RegError::file_not_found);
    EXPECT_EQ(reg_open_key(HKEY_CURRENT_USER, u"\\Software", KEY_READ, &key),
              RegError::file_not_found);
    EXPECT_EQ(reg_create_key(HKEY_CURRENT_USER, u"Software\\\\B", KEY_WRITE, &key),
              RegError::bad_pathname);
    EXPECT_EQ(key, HKEY::none);
    EXPECT_EQ(reg_create_key(HKEY_CURRENT_USER, u"Software\\bad\nname", KEY_WRITE, &key),
              RegError::invalid_parameter);
    // A refused path creates none of its parents either, not even in memory.
    EXPECT_EQ(reg_create_key(HKEY_CURRENT_USER, u"Fresh\\bad\nname", KEY_WRITE, &key),
              RegError::invalid_parameter);
    EXPECT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Fresh", KEY_READ, &key), RegError::file_not_found);
}

TEST_F(RegistryTest, QueryReportsTypeAndSizeAndRefusesSmallBuffers) {
    HKEY key = create(u"K");
    const std::uint8_t text[] = {'h', 0, 'i', 0, 0, 0};
    ASSERT_EQ(reg_set_value(key, nullptr, REG_SZ, text, sizeof text), RegError::success);

    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(reg_query_value(key, u"", &type, nullptr, &size), RegError::success);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);
    std::uint8_t small[4];
    size = sizeof small;
    EXPECT_EQ(reg_query_value(key, nullptr, nullptr, small, &size), RegError::more_data);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(reg_query_value(key, u"missing", &type, nullptr, &size), RegError::file_not_found);
    reg_close_key(key);
}

TEST_F(RegistryTest, DeletingKeysAndValues) {
    HKEY parent = create(u"P\\Child\\Grandchild");
    reg_close_key(parent);
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"P\\Child", KEY_READ | KEY_WRITE, &parent),
              RegError::success);
    HKEY top = HKEY::none;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"P", KEY_SET_VALUE, &top), RegError::success);
    EXPECT_EQ(reg_delete_key(top, u"Child"), RegError::access_denied);  // still has a subkey
    EXPECT_EQ(reg_delete_key(top, u"child\\grandchild"), RegError::success);
    EXPECT_EQ(reg_delete_key(top, u"Child"), RegError::success);
    EXPECT_EQ(reg_delete_key(top, u"Child"), RegError::file_not_found);
    EXPECT_EQ(set_dword(parent, u"v", 1), RegError::key_deleted);  // handle to a deleted key

    ASSERT_EQ(set_dword(top, u"v", 1), RegError::success);
    EXPECT_EQ(reg_delete_value(top, u"V"), RegError::success);
    EXPECT_EQ(reg_delete_value(top, u"v"), RegError::file_not_found);
    reg_close_key(top);
    reg_close_key(parent);
}

TEST_F(RegistryTest, FileIsReadableTextAndSurvivesReopening) {
    HKEY key = create(u"Software\\r_Utile");
    const std::u16string base = u"r_Utile";
    std::u16string stored = base + char16_t{0};
    reg_set_value(key, u"", REG_SZ, reinterpret_cast<const std::uint8_t*>(stored.data()),
                  stored.size() * 2);
    std::u16string marked = u"RegKey_Base は";
    reg_set_value(key, marked.c_str(), REG_SZ, reinterpret_cast<const std::uint8_t*>(stored.data()),
                  stored.size() * 2);
    set_dword(key, u"Size", 0xFFFFFFFF);
    reg_close_key(key);

    const std::string text = testing::read_bytes(file_);
    EXPECT_THAT(text, HasSubstr("[HKEY_CURRENT_USER\\Software\\r_Utile]\n"
                                "@=\"r_Utile\"\n"
                                "\"RegKey_Base は\"=\"r_Utile\"\n"
                                "\"Size\"=dword:ffffffff\n"));

    // Another program (simulated by a fresh read of the file) sees the same tree.
    const RegNode tree = parse_registry_text(text);
    EXPECT_EQ(format_registry_text(tree), text);
}

TEST_F(RegistryTest, AFifoInTheFilesPlaceIsNeitherWaitedOnNorReplaced) {
    ASSERT_EQ(::mkfifo(file_.c_str(), 0600), 0);
    HKEY key = HKEY::none;
    EXPECT_NE(reg_open_key(HKEY_CURRENT_USER, u"Software", KEY_READ, &key), RegError::success);
    EXPECT_NE(reg_create_key(HKEY_CURRENT_USER, u"Software", KEY_WRITE, &key), RegError::success);
    EXPECT_TRUE(std::filesystem::is_fifo(file_));
}

TEST(RegistryText, UnusualValuesKeepTheirExactBytes) {
    RegNode root;
    RegNode& key = add_child(root, u"K");
    auto bytes_of = [](std::u16string text) {
        std::vector<std::uint8_t> out;
        for (char16_t unit : text) {
            out.push_back(static_cast<std::uint8_t>(unit));
            out.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
        return out;
    };
    const std::u16string tricky = {u'a', u'"', u'\\', u'\n', 0xD800, u'z', 0};
    key.values.push_back({u"quote\"and\\slash", REG_SZ, bytes_of(tricky)});
    key.values.push_back({u"unterminated", REG_SZ, bytes_of(u"ab")});
    key.values.push_back({u"odd", REG_SZ, {0x41, 0x00, 0x00}});
    key.values.push_back({u"blob", REG_BINARY, {0x00, 0xFF}});
    key.values.push_back({u"short dword", REG_DWORD, {0x01}});
    key.values.push_back({u"qword", 11, {1, 2, 3, 4, 5, 6, 7, 8}});

    const RegNode back = parse_registry_text(format_registry_text(root));
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
    const RegNode tree = parse_registry_text(
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
                HKEY key = HKEY::none;
                std::u16string name = u"w" + std::u16string(1, u'0' + w) + u"_";
                for (char c : std::to_string(i)) name += static_cast<char16_t>(c);
                ok = ok && reg_create_key(HKEY_CURRENT_USER, u"Shared", KEY_WRITE, &key) ==
                               RegError::success;
                ok = ok && set_dword(key, name.c_str(), i) == RegError::success;
                reg_close_key(key);
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
    HKEY key = HKEY::none;
    ASSERT_EQ(reg_open_key(HKEY_CURRENT_USER, u"Shared", KEY_READ, &key), RegError::success);
    std::uint32_t count = 0;
    char16_t name[64];
    for (std::uint32_t length = 64; reg_enum_value(key, count, name, &length) == RegError::success;
         length = 64)
        ++count;
    EXPECT_EQ(count, static_cast<std::uint32_t>(writers * values_each));
    reg_close_key(key);
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

    HKEY key = HKEY::none;
    EXPECT_EQ(reg_open_key(HKEY_CURRENT_USER, u"k\\k\\k", KEY_READ, &key),
              RegError::file_not_found);
    key = create(u"Software\\r_Utile");
    EXPECT_EQ(set_dword(key, u"Count", 3), RegError::success);
    std::uint32_t value = 0, size = 4;
    EXPECT_EQ(
        reg_query_value(key, u"Size", nullptr, reinterpret_cast<std::uint8_t*>(&value), &size),
        RegError::success);
    EXPECT_EQ(value, 7u);
    reg_close_key(key);
    EXPECT_LT(testing::read_bytes(file_).size(), before);
}

TEST_F(RegistryTest, KeysCannotNestBeyondThePlatformsDepth) {
    std::u16string path = u"d";
    for (std::size_t i = 1; i < kMaxRegKeyDepth; ++i) path += u"\\d";
    HKEY key = create(path.c_str());
    reg_close_key(key);
    EXPECT_EQ(reg_create_key(HKEY_CURRENT_USER, (path + u"\\d").c_str(), KEY_WRITE, &key),
              RegError::invalid_parameter);
    std::size_t too_deep = 0;
    const RegNode back = parse_registry_text(testing::read_bytes(file_), &too_deep);
    EXPECT_EQ(too_deep, 0u);
    ASSERT_EQ(back.children.size(), 1u);
}

// Every level used to write its own header with its whole path: the text grew with the square
// of the depth.
TEST(RegistryText, TextGrowsWithTheTreeNotWithItsDepthSquared) {
    RegNode root;
    RegNode* node = &root;
    for (std::size_t i = 0; i < kMaxRegKeyDepth; ++i) node = &add_child(*node, u"level");
    node->values.push_back({u"v", REG_DWORD, {1, 0, 0, 0}});
    add_child(root, u"empty");

    const std::string text = format_registry_text(root);
    EXPECT_LT(text.size(), 8 * kMaxRegKeyDepth);
    const RegNode back = parse_registry_text(text);
    EXPECT_EQ(format_registry_text(back), text);
    ASSERT_EQ(back.children.size(), 2u);
    EXPECT_EQ(back.children[0].name, u"empty");
}

}  // namespace
}  // namespace vermark
