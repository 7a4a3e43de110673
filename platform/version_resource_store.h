// Stand-in for the system's version-resource functions. A resource is a flat table of sub-block
// names ("\VarFileInfo\Translation", "\StringFileInfo\041104b0\FileVersion") and their values,
// serialised into one byte buffer. The running program's resource comes from the generated
// version_resource.h; any other file has none.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vermark::platform {

struct VersionResource {
    // (language, code page) pairs, in the order they are listed.
    std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;
    // (block, name, value); block is language + code page as 8 lower-case hex digits.
    struct Entry {
        std::u16string block, name, value;
    };
    std::vector<Entry> strings;
};

// The running program's own resource (language 0x0411, code page 0x04B0).
VersionResource own_version_resource();

// The serialised form that the functions below hand out and search.
std::vector<std::uint8_t> encode_version_resource(const VersionResource& resource);

// GetFileVersionInfoSizeW: the byte size of the file's resource, 0 when it has none.
std::uint32_t file_version_info_size(std::u16string_view path, std::uint32_t& handle);

// GetFileVersionInfoW: copies the resource (at most `size` bytes) into `buffer`.
bool file_version_info(std::u16string_view path, std::uint32_t handle, std::uint32_t size,
                       std::span<std::uint8_t> buffer);

// VerQueryValueW: the value stored under `sub_block`, or nothing when it is missing. For
// strings the value is UTF-16 units without a terminating zero (an empty value has length 0).
std::optional<std::span<const std::uint8_t>> ver_query_value(std::span<const std::uint8_t> buffer,
                                                             std::u16string_view sub_block);

// Tests: make the file at `path` carry `resource` (nullopt removes the override).
void set_version_resource_for_testing(std::u16string_view path,
                                      std::optional<VersionResource> resource);

}  // namespace vermark::platform
