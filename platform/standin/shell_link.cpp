#include "platform/shell_link.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/codepage.h"
#include "platform/wide.h"

namespace vermark::platform {
namespace {

constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr std::array<std::uint8_t, 16> kLinkClsid = {
    0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// LinkFlags.
constexpr std::uint32_t kHasTargetIdList = 0x1;
constexpr std::uint32_t kHasLinkInfo = 0x2;
constexpr std::uint32_t kHasName = 0x4;
constexpr std::uint32_t kHasRelativePath = 0x8;
constexpr std::uint32_t kHasWorkingDir = 0x10;
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kForceNoLinkInfo = 0x100;
// LinkInfoFlags.
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x1;
// Real shortcuts are a few kilobytes; anything far larger is not one.
constexpr std::uintmax_t kMaxLinkFileSize = 1 << 20;

// A bounds-checked little-endian reader over the link's bytes.
class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool has(std::size_t pos, std::size_t count) const {
        return pos <= bytes_.size() && count <= bytes_.size() - pos;
    }
    std::optional<std::uint32_t> u16(std::size_t pos) const {
        if (!has(pos, 2)) return std::nullopt;
        return bytes_[pos] | (bytes_[pos + 1] << 8);
    }
    std::optional<std::uint32_t> u32(std::size_t pos) const {
        if (!has(pos, 4)) return std::nullopt;
        return std::uint32_t(bytes_[pos]) | (std::uint32_t(bytes_[pos + 1]) << 8) |
               (std::uint32_t(bytes_[pos + 2]) << 16) | (std::uint32_t(bytes_[pos + 3]) << 24);
    }
    std::span<const std::uint8_t> slice(std::size_t pos, std::size_t count) const {
        return bytes_.subspan(pos, count);
    }

  private:
    std::span<const std::uint8_t> bytes_;
};

std::u16string decode_ansi(std::span<const std::uint8_t> bytes) {
    return multibyte_to_wide(kCodePageShiftJis, ByteView(bytes.data(), bytes.size()));
}

std::u16string decode_utf16(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(char16_t(bytes[i] | (bytes[i + 1] << 8)));
    }
    return text;
}

// A zero-terminated string at `pos`, not reaching beyond `end`.
std::optional<std::u16string> terminated_string(const Reader& in, std::size_t pos, std::size_t end,
                                                bool wide) {
    const std::size_t unit = wide ? 2 : 1;
    for (std::size_t i = pos; in.has(i, unit) && i + unit <= end; i += unit) {
        const bool zero = wide ? *in.u16(i) == 0 : *in.slice(i, 1).data() == 0;
        if (zero) {
            auto text = in.slice(pos, i - pos);
            return wide ? decode_utf16(text) : decode_ansi(text);
        }
    }
    return std::nullopt;
}

// LinkInfo: the local base path and common path suffix, Unicode forms preferred.
bool read_link_info(const Reader& in, std::size_t start, std::size_t size, ShellLinkPaths& out) {
    auto header_size = in.u32(start + 4);
    auto flags = in.u32(start + 8);
    auto base_offset = in.u32(start + 16);
    auto suffix_offset = in.u32(start + 24);
    if (!header_size || !flags || !base_offset || !suffix_offset) return false;
    const std::size_t end = start + size;
    const bool unicode_offsets = *header_size >= 0x24;
    if (*flags & kVolumeIdAndLocalBasePath) {
        auto wide_offset = unicode_offsets ? in.u32(start + 28) : std::nullopt;
        auto base = wide_offset && *wide_offset
                        ? terminated_string(in, start + *wide_offset, end, true)
                        : terminated_string(in, start + *base_offset, end, false);
        if (!base) return false;
        out.local_base_path = *base;
    }
    auto wide_suffix_offset = unicode_offsets ? in.u32(start + 32) : std::nullopt;
    auto suffix = wide_suffix_offset && *wide_suffix_offset
                      ? terminated_string(in, start + *wide_suffix_offset, end, true)
                      : terminated_string(in, start + *suffix_offset, end, false);
    if (suffix) out.common_path_suffix = *suffix;
    return true;
}

// One StringData entry: a character count, then the characters.
std::optional<std::u16string> counted_string(const Reader& in, std::size_t& pos, bool wide) {
    auto count = in.u16(pos);
    if (!count) return std::nullopt;
    const std::size_t bytes = std::size_t(*count) * (wide ? 2 : 1);
    if (!in.has(pos + 2, bytes)) return std::nullopt;
    auto text = in.slice(pos + 2, bytes);
    pos += 2 + bytes;
    return wide ? decode_utf16(text) : decode_ansi(text);
}

std::u16string with_slashes(std::u16string path) {
    std::replace(path.begin(), path.end(), u'\\', u'/');
    return path;
}

std::filesystem::path fs_path(const std::u16string& path) {
    return std::filesystem::path(to_utf8(path));
}

// "//server/share/...": a file on another machine, which this system would read as
// "/server/share/...".
bool names_another_machine(std::u16string_view path) {
    return path.starts_with(u"//");
}

bool exists_here(const std::u16string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(fs_path(path), ec);
}

std::optional<std::vector<std::uint8_t>> read_small_file(const std::u16string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(fs_path(path), ec);
    if (ec || size > kMaxLinkFileSize) return std::nullopt;
    std::ifstream in(fs_path(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes(size);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size));
    if (std::size_t(in.gcount()) != size) return std::nullopt;
    return bytes;
}

}  // namespace

std::optional<ShellLinkPaths> parse_shell_link(std::span<const std::uint8_t> bytes) {
    const Reader in(bytes);
    if (in.u32(0) != kHeaderSize || !in.has(0, kHeaderSize)) return std::nullopt;
    if (!std::equal(kLinkClsid.begin(), kLinkClsid.end(), bytes.begin() + 4)) return std::nullopt;
    const std::uint32_t flags = *in.u32(20);
    const bool wide = flags & kIsUnicode;
    ShellLinkPaths out;
    std::size_t pos = kHeaderSize;
    if (flags & kHasTargetIdList) {
        auto size = in.u16(pos);
        if (!size || !in.has(pos + 2, *size)) return std::nullopt;
        pos += 2 + *size;
    }
    if (flags & kHasLinkInfo) {
        auto size = in.u32(pos);
        if (!size || *size < 28 || !in.has(pos, *size)) return std::nullopt;
        if (!(flags & kForceNoLinkInfo) && !read_link_info(in, pos, *size, out))
            return std::nullopt;
        pos += *size;
    }
    if (flags & kHasName) {
        if (!counted_string(in, pos, wide)) return std::nullopt;
    }
    if (flags & kHasRelativePath) {
        auto relative = counted_string(in, pos, wide);
        if (!relative) return std::nullopt;
        out.relative_path = *relative;
    }
    if (flags & kHasWorkingDir) {
        auto dir = counted_string(in, pos, wide);
        if (!dir) return std::nullopt;
        out.working_dir = *dir;
    }
    return out;
}

std::u16string shell_link_target(const std::u16string& link_path) {
    auto bytes = read_small_file(link_path);
    if (!bytes) return {};
    auto link = parse_shell_link(*bytes);
    if (!link) return {};
    const auto relative = with_slashes(link->relative_path);
    if (!relative.empty() && !names_another_machine(relative)) {
        const auto folder = fs_path(link_path).parent_path();
        const auto candidate = from_utf8((folder / fs_path(relative)).string());
        if (exists_here(candidate)) return long_path_name(candidate);
    }
    // Only an absolute local path means anything here (a drive letter does not).
    const auto local = with_slashes(link->local_base_path + link->common_path_suffix);
    if (local.starts_with(u'/') && !names_another_machine(local) && exists_here(local))
        return long_path_name(local);
    return {};
}

std::u16string long_path_name(const std::u16string& path) {
    if (path.empty()) return {};
    std::error_code ec;
    auto canonical = std::filesystem::canonical(fs_path(path), ec);
    if (ec) return {};
    return from_utf8(canonical.string());
}

bool is_symbolic_link(const std::u16string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_symlink(fs_path(path), ec);
}

}  // namespace vermark::platform
