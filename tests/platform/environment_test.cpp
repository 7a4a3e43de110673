#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>
#include <optional>
#include <string>

#include "platform/acp.h"
#include "platform/env.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/special_folders.h"
#include "platform/wide.h"
#include "support/sandbox.h"

namespace vermark::platform {
namespace {

// Sets variables for one test and puts the old values back afterwards.
class ScopedEnvironment {
  public:
    void set(const std::string& name, std::optional<std::string> value) {
        if (!saved_.count(name)) {
            const char* old = ::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

  private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(CodePage, JapaneseLocalesGive932) {
    ScopedEnvironment env;
    env.set("LC_ALL", std::nullopt);
    env.set("LC_CTYPE", std::nullopt);
    env.set("LANG", "ja_JP.UTF-8");
    EXPECT_EQ(active_code_page(), 932u);
    env.set("LANG", "ja_JP.eucJP");
    EXPECT_EQ(active_code_page(), 932u);
    env.set("LANG", "en_US.UTF-8");
    EXPECT_EQ(active_code_page(), 1252u);
    env.set("LC_CTYPE", "ja_JP.SJIS");
    EXPECT_EQ(active_code_page(), 932u) << "LC_CTYPE outranks LANG";
    env.set("LC_ALL", "C");
    EXPECT_EQ(active_code_page(), 1252u) << "LC_ALL outranks both";
    env.set("LC_ALL", "");
    EXPECT_EQ(active_code_page(), 932u) << "an empty variable does not count";
    env.set("LC_CTYPE", std::nullopt);
    env.set("LANG", std::nullopt);
    EXPECT_EQ(active_code_page(), 1252u);
}

TEST(SpecialFolderMapping, PerUserPlacesWithoutTheHomeVariable) {
    ScopedEnvironment env;
    env.set("VERMARK_HOME", std::nullopt);
    env.set("HOME", "/home/someone");
    env.set("XDG_DATA_HOME", std::nullopt);
    env.set("TMPDIR", std::nullopt);
    EXPECT_EQ(special_folder_path(CSIDL_COMMON_DOCUMENTS), u"/home/someone/.local/share/vermark");
    env.set("XDG_DATA_HOME", "/data");
    EXPECT_EQ(special_folder_path(CSIDL_COMMON_DOCUMENTS), u"/data/vermark");
    env.set("XDG_DATA_HOME", "relative");
    EXPECT_EQ(special_folder_path(CSIDL_COMMON_DOCUMENTS), u"/home/someone/.local/share/vermark")
        << "a relative XDG_DATA_HOME is ignored";
    EXPECT_EQ(special_folder_path(CSIDL_PROGRAM_FILES | CSIDL_FLAG_CREATE), u"/usr/bin");
    EXPECT_EQ(special_folder_path(CSIDL_WINDOWS), u"/usr/sbin");
    EXPECT_EQ(special_folder_path(CSIDL_SYSTEM), u"/bin");
    EXPECT_EQ(fallback_program_folders(),
              (std::vector<std::u16string>{u"/usr/local/bin", u"/opt"}));
    EXPECT_EQ(system_temp_folder(), u"/tmp/");
    env.set("TMPDIR", "/scratch");
    EXPECT_EQ(system_temp_folder(), u"/scratch/");
}

TEST(SpecialFolderMapping, WithoutHomeTheAccountsHomeNotTheCurrentFolder) {
    ScopedEnvironment env;
    env.set("VERMARK_HOME", std::nullopt);
    env.set("XDG_DATA_HOME", std::nullopt);
    const std::u16string home = account_home();
    ASSERT_FALSE(home.empty()) << "this machine has a password entry for the test's user";
    for (const char* value : {"", "relative/home"}) {
        env.set("HOME", value);
        EXPECT_EQ(special_folder_path(CSIDL_COMMON_DOCUMENTS),
                  (home == u"/" ? u"" : home) + u"/.local/share/vermark")
            << "HOME=\"" << value << "\"";
    }
    env.set("HOME", std::nullopt);
    EXPECT_EQ(special_folder_path(CSIDL_COMMON_DOCUMENTS).front(), u'/');
    env.set("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(registry_file(), std::filesystem::path(to_utf8(home)) / ".config" / "vermark" /
                                   "HKEY_CURRENT_USER.reg")
        << "the registry stays in the account's home too";
}

}  // namespace
}  // namespace vermark::platform
