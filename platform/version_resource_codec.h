#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/version_resource_store.h"

namespace vermark::platform {

// The flat form a version resource takes where no system store holds one (and for resources
// made up by tests): records of key and value, found by their full sub-block name.
std::optional<std::span<const std::uint8_t>> find_version_record(
    std::span<const std::uint8_t> buffer, std::u16string_view sub_block);

// The resource a test made up for `path` with set_version_resource_for_testing, if any.
std::optional<VersionResource> version_resource_override(std::u16string_view path);

}  // namespace vermark::platform
