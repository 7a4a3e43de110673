// A per-user registry in the manner of HKEY_CURRENT_USER, for the settings code that was made
// for one. Keys form a tree addressed by paths joined with "\", matched ignoring case; each key
// holds named values (REG_SZ text, REG_DWORD numbers, or raw bytes of any other type) and an
// unnamed default value.
//
// The whole tree lives in one text file (in the layout of a .reg export, UTF-8) in the program's
// config place: $VERMARK_HOME/registry/ when VERMARK_HOME is set, else $XDG_CONFIG_HOME/vermark/
// (~/.config/vermark/). Every change re-reads the file under an exclusive lock on a side lock
// file, applies itself and replaces the file by renaming a complete temporary copy over it, so two
// running programs never lose each other's updates and a crash never leaves half a file.
//
// The calls mirror the platform's: reg_open_key = RegOpenKeyExW, reg_create_key =
// RegCreateKeyExW, reg_query_value = RegQueryValueExW, reg_set_value = RegSetValueExW,
// reg_delete_value = RegDeleteValueW, reg_delete_key = RegDeleteKeyW, reg_enum_key =
// RegEnumKeyExW, reg_enum_value = RegEnumValueW, reg_close_key = RegCloseKey. A handle names its
// key by path; when the key is deleted meanwhile, calls through it report key_deleted.
#pragma once

#include <cstdint>
#include <filesystem>

namespace vermark::platform {

// A key handle: a predefined root or a key opened by reg_open_key / reg_create_key.
enum class HKEY : std::uint32_t { none = 0 };
inline constexpr HKEY HKEY_CURRENT_USER{0x80000001u};

// Value types.
inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;

// Access rights; a handle allows only the calls its rights cover.
inline constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr std::uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr std::uint32_t KEY_NOTIFY = 0x0010;
inline constexpr std::uint32_t KEY_READ = 0x20019;
inline constexpr std::uint32_t KEY_WRITE = 0x20006;

// Results, numbered as the platform's error codes.
enum class RegError : long {
    success = 0,
    file_not_found = 2,
    access_denied = 5,
    invalid_handle = 6,
    invalid_parameter = 87,
    bad_pathname = 161,
    more_data = 234,
    no_more_items = 259,
    cant_write = 1013,
    key_deleted = 1018,
};

// Opens root\subkey (a null or empty subkey opens root itself again). One trailing "\" is
// allowed; any other empty part of the path names no key.
RegError reg_open_key(HKEY root, const char16_t* subkey, std::uint32_t access, HKEY* result);

// Opens root\subkey, creating it and every missing parent first. Names may not hold control
// characters.
RegError reg_create_key(HKEY root, const char16_t* subkey, std::uint32_t access, HKEY* result);

RegError reg_close_key(HKEY key);

// A null or empty name is the default value. With data null only type and size are reported;
// a buffer smaller than the value gives more_data and the size needed.
RegError reg_query_value(HKEY key, const char16_t* name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* size);

// Stores size bytes of data as the value, replacing any value of that name.
RegError reg_set_value(HKEY key, const char16_t* name, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t size);

RegError reg_delete_value(HKEY key, const char16_t* name);

// Deletes key\subkey, which must have no subkeys of its own (access_denied otherwise).
RegError reg_delete_key(HKEY key, const char16_t* subkey);

// The index-th subkey name (keys in the platform's order: ignoring case) or value name (in the
// order they were first set). length is the buffer's size in characters on entry and the name's
// length without the terminating zero on success.
RegError reg_enum_key(HKEY key, std::uint32_t index, char16_t* name, std::uint32_t* length);
RegError reg_enum_value(HKEY key, std::uint32_t index, char16_t* name, std::uint32_t* length);

// The file that holds the registry, and a seam to point it elsewhere (an empty path returns to
// the default place). Handles opened before a switch stay valid and address the new file.
std::filesystem::path registry_file();
void use_registry_file(const std::filesystem::path& file);

}  // namespace vermark::platform
