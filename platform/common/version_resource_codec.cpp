#include "platform/version_resource_codec.h"

#include <map>
#include <string>

namespace vermark::platform {
namespace {

std::map<std::u16string, VersionResource>& overrides() {
    static std::map<std::u16string, VersionResource> table;
    return table;
}

constexpr std::u16string_view kTranslation = u"\\VarFileInfo\\Translation";

void put_u16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put_u16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    put_u16(out, static_cast<std::uint16_t>(value >> 16));
}

void put_record(std::vector<std::uint8_t>& out, std::u16string_view key,
                const std::vector<std::uint8_t>& value) {
    put_u16(out, static_cast<std::uint16_t>(key.size()));
    for (char16_t c : key) put_u16(out, c);
    put_u32(out, static_cast<std::uint32_t>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
}

std::uint32_t get_u16(std::span<const std::uint8_t> in, std::size_t at) {
    return in[at] | (static_cast<std::uint32_t>(in[at + 1]) << 8);
}

}  // namespace

std::vector<std::uint8_t> encode_version_resource(const VersionResource& resource) {
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> table;
    for (const auto& [language, code_page] : resource.translations) {
        put_u16(table, language);
        put_u16(table, code_page);
    }
    put_record(out, kTranslation, table);
    for (const auto& entry : resource.strings) {
        std::vector<std::uint8_t> value;
        for (char16_t c : entry.value) put_u16(value, c);
        put_record(out, u"\\StringFileInfo\\" + entry.block + u"\\" + entry.name, value);
    }
    return out;
}

std::optional<std::span<const std::uint8_t>> find_version_record(
    std::span<const std::uint8_t> buffer, std::u16string_view sub_block) {
    std::size_t at = 0;
    while (at + 2 <= buffer.size()) {
        const std::size_t key_units = get_u16(buffer, at);
        const std::size_t key_at = at + 2;
        const std::size_t length_at = key_at + 2 * key_units;
        if (length_at + 4 > buffer.size()) break;
        const std::size_t value_bytes =
            get_u16(buffer, length_at) | (get_u16(buffer, length_at + 2) << 16);
        const std::size_t value_at = length_at + 4;
        if (value_at + value_bytes > buffer.size() || value_bytes > buffer.size()) break;
        bool match = key_units == sub_block.size();
        for (std::size_t i = 0; match && i < key_units; ++i)
            match = get_u16(buffer, key_at + 2 * i) == sub_block[i];
        if (match) return buffer.subspan(value_at, value_bytes);
        at = value_at + value_bytes;
    }
    return std::nullopt;
}

std::optional<VersionResource> version_resource_override(std::u16string_view path) {
    const auto found = overrides().find(std::u16string(path));
    if (found == overrides().end()) return std::nullopt;
    return found->second;
}

void set_version_resource_for_testing(std::u16string_view path,
                                      std::optional<VersionResource> resource) {
    if (resource)
        overrides()[std::u16string(path)] = std::move(*resource);
    else
        overrides().erase(std::u16string(path));
}

}  // namespace vermark::platform
