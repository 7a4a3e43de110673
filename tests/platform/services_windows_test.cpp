// The Windows side of the platform services, on the real system calls.
#include <gtest/gtest.h>

// The program's registry and folder constants first: the system headers define macros of the
// same names.
#include "platform/acp.h"
#include "platform/env.h"
#include "platform/registry.h"
#include "platform/shell_link.h"
#include "platform/special_folders.h"
#include "platform/wide.h"
#include "support/sandbox.h"

namespace {
constexpr vermark::platform::HKEY kUserRoot = vermark::platform::HKEY_CURRENT_USER;
}  // namespace

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace {

bool real_key_exists(const wchar_t* name) {
    ::HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, name, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

}  // namespace

namespace vermark {
namespace {

std::wstring wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

TEST(WindowsCodePage, FollowsTheLocaleTheSystemStartedWith) {
    // Wine takes the ANSI code page from the locale it runs under; Windows from its settings.
    const std::u16string lang = platform::environment_variable("LANG");
    if (lang.empty()) GTEST_SKIP() << "no LANG: the code page is the system's own choice";
    const bool japanese = lang.starts_with(u"ja");
    EXPECT_EQ(platform::active_code_page(), japanese ? 932u : 1252u) << platform::to_utf8(lang);
}

TEST(WindowsFolders, VermarkHomeHoldsEveryPlaceWithBackslashes) {
    const std::u16string home = platform::vermark_home();
    ASSERT_FALSE(home.empty());
    EXPECT_EQ(platform::special_folder_path(CSIDL_COMMON_DOCUMENTS), home + u"\\Documents");
    EXPECT_EQ(platform::system_temp_folder(), home + u"\\tmp\\");
}

TEST(WindowsRegistry, ASandboxedRunWritesUnderItsOwnVolatileKey) {
    vermark::platform::HKEY key{};
    ASSERT_EQ(
        platform::reg_create_key(kUserRoot, u"Software\\r_Utile\\Test", KEY_WRITE | KEY_READ, &key),
        platform::RegError::success);
    const std::uint32_t number = 42;
    ASSERT_EQ(
        platform::reg_set_value(key, u"Number", REG_DWORD,
                                reinterpret_cast<const std::uint8_t*>(&number), sizeof number),
        platform::RegError::success);
    std::uint32_t type = 0, read = 0, size = sizeof read;
    EXPECT_EQ(platform::reg_query_value(key, u"Number", &type,
                                        reinterpret_cast<std::uint8_t*>(&read), &size),
              platform::RegError::success);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(read, 42u);
    EXPECT_EQ(platform::reg_close_key(key), platform::RegError::success);
    EXPECT_EQ(platform::reg_close_key(key), platform::RegError::invalid_handle) << "a handle closes once";

    // The user's real key stays untouched.
    EXPECT_FALSE(real_key_exists(L"Software\\r_Utile\\Test"));
}

TEST(WindowsShellLink, AShortcutLeadsToItsTargetWithItsLongName) {
    const auto folder = testing::fresh_folder("links");
    const std::u16string target = platform::from_utf8(folder.string()) + u"\\図面 一階.dxf";
    HANDLE file = ::CreateFileW(wide(target).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ::CloseHandle(file);
    const std::u16string link_path = platform::from_utf8(folder.string()) + u"\\plan.lnk";

    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) ||
                ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) == RPC_E_CHANGED_MODE);
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IShellLinkW, reinterpret_cast<void**>(&link))));
    link->SetPath(wide(target).c_str());
    IPersistFile* persist = nullptr;
    ASSERT_TRUE(
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))));
    EXPECT_TRUE(SUCCEEDED(persist->Save(wide(link_path).c_str(), TRUE)));
    persist->Release();
    link->Release();

    EXPECT_EQ(platform::shell_link_target(link_path), target);
    EXPECT_EQ(platform::shell_link_target(platform::from_utf8(folder.string()) + u"\\missing.lnk"),
              u"");
    EXPECT_EQ(platform::long_path_name(target), target);
}

}  // namespace
}  // namespace vermark
