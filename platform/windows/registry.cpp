#include "platform/registry.h"

#include <map>
#include <mutex>
#include <string>

#include "platform/env.h"
#include "platform/windows/win_native.h"

namespace {

// The system's own root; HKEY_CURRENT_USER is a macro naming the global HKEY type, so it is
// spelt outside the program's namespace, where HKEY is the program's handle.
::HKEY system_user_root() {
    return HKEY_CURRENT_USER;
}

}  // namespace

namespace vermark::platform {
namespace win = platform::win;
namespace {

// The program's handles are small numbers standing for the system's; the user's root is one of
// them. Under VERMARK_HOME (and for a chosen registry file) the root is a volatile key of its
// own, so a sandboxed run never touches the user's real settings and leaves nothing behind.
struct State {
    std::mutex mutex;
    std::map<std::uint32_t, ::HKEY> handles;
    std::uint32_t next_handle = 1;
    std::filesystem::path chosen_file;
    ::HKEY sandbox_root = nullptr;
    std::wstring sandbox_name;
};

State& state() {
    static State instance;
    return instance;
}

std::wstring sandbox_key_name(State& s) {
    std::u16string place = s.chosen_file.empty() ? platform::vermark_home()
                                                 : std::u16string(s.chosen_file.u16string());
    if (place.empty()) return {};
    for (char16_t& c : place)
        if (c == u'\\' || c == u'/') c = u'_';
    return L"Software\\Vermark sandboxes\\" + win::to_wide(place);
}

// The key standing for HKEY_CURRENT_USER, opened on first use. Called with the mutex held.
::HKEY user_root(State& s) {
    const std::wstring name = sandbox_key_name(s);
    if (name.empty()) return system_user_root();
    if (s.sandbox_root && name == s.sandbox_name) return s.sandbox_root;
    if (s.sandbox_root) ::RegCloseKey(s.sandbox_root);
    s.sandbox_root = nullptr;
    ::HKEY made = nullptr;
    if (::RegCreateKeyExW(system_user_root(), name.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &made, nullptr) != ERROR_SUCCESS)
        return nullptr;
    s.sandbox_root = made;
    s.sandbox_name = name;
    return made;
}

constexpr std::uint32_t kUserRootNumber = 0x80000001u;

bool is_user_root(HKEY key) {
    return static_cast<std::uint32_t>(key) == kUserRootNumber;
}

bool sandboxed(State& s) {
    return !sandbox_key_name(s).empty();
}

// The system key for one of ours; nullptr for an unknown handle.
::HKEY system_key(State& s, HKEY key) {
    if (is_user_root(key)) return user_root(s);
    const auto found = s.handles.find(static_cast<std::uint32_t>(key));
    return found == s.handles.end() ? nullptr : found->second;
}

HKEY remember(State& s, ::HKEY opened) {
    const std::uint32_t number = s.next_handle++;
    s.handles[number] = opened;
    return static_cast<HKEY>(number);
}

RegError error_of(LONG code) {
    return static_cast<RegError>(code);
}

// Runs `call` with the system key behind `key` (and the state), under the registry's lock.
template <class Call>
RegError on_key(HKEY key, Call call) {
    State& s = state();
    std::lock_guard guard(s.mutex);
    ::HKEY opened = system_key(s, key);
    if (!opened) return RegError::invalid_handle;
    return error_of(call(s, opened));
}

// One name of a listing: `length` holds the room for it and gets its length.
template <class Call>
RegError enumerate(HKEY key, std::uint32_t* length, Call call) {
    if (length == nullptr) return RegError::invalid_parameter;
    return on_key(key, [&](State&, ::HKEY opened) {
        DWORD units = *length;
        const LONG code = call(opened, &units);
        *length = units;
        return code;
    });
}

// A wide name for the system's calls.
const wchar_t* wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

}  // namespace

RegError reg_open_key(HKEY root, const char16_t* subkey, std::uint32_t access, HKEY* result) {
    if (result == nullptr) return RegError::invalid_parameter;
    return on_key(root, [&](State& s, ::HKEY parent) {
        ::HKEY opened = nullptr;
        const LONG code = ::RegOpenKeyExW(parent, wide(subkey), 0, access, &opened);
        if (code == ERROR_SUCCESS) *result = remember(s, opened);
        return code;
    });
}

RegError reg_create_key(HKEY root, const char16_t* subkey, std::uint32_t access, HKEY* result) {
    if (result == nullptr) return RegError::invalid_parameter;
    return on_key(root, [&](State& s, ::HKEY parent) {
        // Keys under a volatile key must be volatile themselves.
        const DWORD options = sandboxed(s) ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE;
        ::HKEY made = nullptr;
        const LONG code = ::RegCreateKeyExW(parent, wide(subkey), 0, nullptr, options, access,
                                            nullptr, &made, nullptr);
        if (code == ERROR_SUCCESS) *result = remember(s, made);
        return code;
    });
}

RegError reg_close_key(HKEY key) {
    State& s = state();
    std::lock_guard guard(s.mutex);
    if (is_user_root(key)) return RegError::success;
    const auto found = s.handles.find(static_cast<std::uint32_t>(key));
    if (found == s.handles.end()) return RegError::invalid_handle;
    const LONG code = ::RegCloseKey(found->second);
    s.handles.erase(found);
    return error_of(code);
}

RegError reg_query_value(HKEY key, const char16_t* name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* size) {
    return on_key(key, [&](State&, ::HKEY opened) {
        DWORD value_type = 0;
        DWORD value_size = size ? *size : 0;
        const LONG code = ::RegQueryValueExW(opened, wide(name), nullptr, &value_type, data,
                                             size ? &value_size : nullptr);
        if (type) *type = value_type;
        if (size) *size = value_size;
        return code;
    });
}

RegError reg_set_value(HKEY key, const char16_t* name, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t size) {
    return on_key(key, [&](State&, ::HKEY opened) {
        return ::RegSetValueExW(opened, wide(name), 0, type, data, size);
    });
}

RegError reg_delete_value(HKEY key, const char16_t* name) {
    return on_key(key,
                  [&](State&, ::HKEY opened) { return ::RegDeleteValueW(opened, wide(name)); });
}

RegError reg_delete_key(HKEY key, const char16_t* subkey) {
    return on_key(key,
                  [&](State&, ::HKEY opened) { return ::RegDeleteKeyW(opened, wide(subkey)); });
}

RegError reg_enum_key(HKEY key, std::uint32_t index, char16_t* name, std::uint32_t* length) {
    return enumerate(key, length, [&](::HKEY opened, DWORD* units) {
        return ::RegEnumKeyExW(opened, index, reinterpret_cast<wchar_t*>(name), units, nullptr,
                               nullptr, nullptr, nullptr);
    });
}

RegError reg_enum_value(HKEY key, std::uint32_t index, char16_t* name, std::uint32_t* length) {
    return enumerate(key, length, [&](::HKEY opened, DWORD* units) {
        return ::RegEnumValueW(opened, index, reinterpret_cast<wchar_t*>(name), units, nullptr,
                               nullptr, nullptr, nullptr);
    });
}

std::filesystem::path registry_file() {
    State& s = state();
    std::lock_guard guard(s.mutex);
    return s.chosen_file;
}

void use_registry_file(const std::filesystem::path& file) {
    State& s = state();
    std::lock_guard guard(s.mutex);
    s.chosen_file = file;
}

}  // namespace vermark::platform
