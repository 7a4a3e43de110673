#include "platform/version_resource_store.h"

#include <algorithm>
#include <cstring>

#include "platform/version_resource_codec.h"
#include "platform/windows/win_native.h"

namespace vermark::platform {
namespace {

// A block from GetFileVersionInfoW starts with its VS_VERSIONINFO header: three 16-bit fields
// and the key "VS_VERSION_INFO".
bool is_system_block(std::span<const std::uint8_t> buffer) {
    static constexpr char16_t kKey[] = u"VS_VERSION_INFO";
    constexpr std::size_t kKeyBytes = sizeof kKey - sizeof(char16_t);
    return buffer.size() >= 6 + kKeyBytes && std::memcmp(buffer.data() + 6, kKey, kKeyBytes) == 0;
}

}  // namespace

std::uint32_t file_version_info_size(std::u16string_view path, std::uint32_t& handle) {
    handle = 0;
    if (const auto made_up = version_resource_override(path))
        return static_cast<std::uint32_t>(encode_version_resource(*made_up).size());
    const std::wstring wide = win::wide_path(path);
    if (wide.empty()) return 0;
    DWORD system_handle = 0;
    return ::GetFileVersionInfoSizeW(wide.c_str(), &system_handle);
}

bool file_version_info(std::u16string_view path, std::uint32_t handle, std::uint32_t size,
                       std::span<std::uint8_t> buffer) {
    if (const auto made_up = version_resource_override(path)) {
        const std::vector<std::uint8_t> data = encode_version_resource(*made_up);
        const std::size_t count = std::min<std::size_t>({data.size(), size, buffer.size()});
        std::copy_n(data.begin(), count, buffer.begin());
        return true;
    }
    const std::wstring wide = win::wide_path(path);
    if (wide.empty() || buffer.size() < size) return false;
    return ::GetFileVersionInfoW(wide.c_str(), handle, size, buffer.data()) != 0;
}

std::optional<std::span<const std::uint8_t>> ver_query_value(std::span<const std::uint8_t> buffer,
                                                             std::u16string_view sub_block) {
    if (!is_system_block(buffer)) return find_version_record(buffer, sub_block);
    const std::wstring wide(sub_block.begin(), sub_block.end());
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(buffer.data(), wide.c_str(), &value, &length) || value == nullptr)
        return std::nullopt;
    const auto* start = static_cast<const std::uint8_t*>(value);
    // Strings are measured in characters, mostly with their terminating zero; the rest in bytes.
    const bool is_string = sub_block.starts_with(u"\\StringFileInfo");
    std::size_t bytes = is_string ? std::size_t{length} * 2 : length;
    const auto* end = buffer.data() + buffer.size();
    if (start < buffer.data() || start + bytes > end) return std::nullopt;
    while (is_string && bytes >= 2 && start[bytes - 1] == 0 && start[bytes - 2] == 0) bytes -= 2;
    return std::span<const std::uint8_t>(start, bytes);
}

}  // namespace vermark::platform
