#include "platform/version_resource_store.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "platform/version_resource_codec.h"
#include "platform/wide.h"
#include "version_resource.h"

namespace vermark::platform {
namespace {

bool same_file(const char* a, const char* b) {
    struct stat first {
    }, second{};
    return ::stat(a, &first) == 0 && ::stat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

std::optional<VersionResource> resource_of(std::u16string_view path) {
    if (auto made_up = version_resource_override(path)) return made_up;
    if (!path.empty() && same_file(native_path(path).c_str(), "/proc/self/exe"))
        return own_version_resource();
    return std::nullopt;
}

}  // namespace

VersionResource own_version_resource() {
    VersionResource resource;
    resource.translations.emplace_back(0x0411, 0x04B0);
    for (const auto& [name, value] : version_resource::strings)
        resource.strings.push_back({u"041104b0", from_utf8(name), from_utf8(value)});
    return resource;
}

std::uint32_t file_version_info_size(std::u16string_view path, std::uint32_t& handle) {
    handle = 0;
    const auto resource = resource_of(path);
    if (!resource) return 0;
    return static_cast<std::uint32_t>(encode_version_resource(*resource).size());
}

bool file_version_info(std::u16string_view path, std::uint32_t /*handle*/, std::uint32_t size,
                       std::span<std::uint8_t> buffer) {
    const auto resource = resource_of(path);
    if (!resource) return false;
    const std::vector<std::uint8_t> data = encode_version_resource(*resource);
    const std::size_t count = std::min<std::size_t>({data.size(), size, buffer.size()});
    std::copy_n(data.begin(), count, buffer.begin());
    return true;
}

std::optional<std::span<const std::uint8_t>> ver_query_value(std::span<const std::uint8_t> buffer,
                                                             std::u16string_view sub_block) {
    return find_version_record(buffer, sub_block);
}

}  // namespace vermark::platform
