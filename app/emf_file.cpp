#include "app/emf_file.h"

#include <emf2svg.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "platform/isolated.h"
#include "platform/wide.h"

namespace vermark {
namespace {

constexpr std::size_t kHeaderBytes = 100;
constexpr std::uint32_t kHeaderRecord = 1;
constexpr std::uint32_t kSignature = 0x464D4520;  // " EMF"
constexpr std::chrono::seconds kConversionLimit{10};

std::uint32_t u32_at(const std::vector<char>& bytes, std::size_t pos) {
    auto b = [&](std::size_t i) { return std::uint32_t(std::uint8_t(bytes[pos + i])); };
    return b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24);
}

std::optional<std::vector<char>> read_prefix(const std::u16string& path, std::size_t max_bytes,
                                             bool whole) {
    const std::filesystem::path file(platform::to_utf8(path));
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (ec || (whole && size > max_bytes)) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<char> bytes(std::min<std::uintmax_t>(size, max_bytes));
    in.read(bytes.data(), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(in.gcount()));
    return bytes;
}

std::optional<std::string> convert_to_svg(std::vector<char>& bytes) {
    char empty_namespace[] = "";
    generatorOptions options{};
    options.nameSpace = empty_namespace;
    options.emfplus = true;
    options.svgDelimiter = true;
    char* out = nullptr;
    std::size_t out_length = 0;
    const int ok = emf2svg(bytes.data(), bytes.size(), &out, &out_length, &options);
    std::unique_ptr<char, decltype(&std::free)> owned(out, &std::free);
    if (ok != 1 || !out || out_length == 0) return std::nullopt;
    return std::string(out, out_length);
}

}  // namespace

std::optional<EmfBounds> read_emf_bounds(const std::u16string& path) {
    auto bytes = read_prefix(path, kHeaderBytes, false);
    // Type, size, rclBounds, rclFrame, then the signature at offset 40.
    if (!bytes || bytes->size() < 44) return std::nullopt;
    if (u32_at(*bytes, 0) != kHeaderRecord || u32_at(*bytes, 40) != kSignature) return std::nullopt;
    auto signed_at = [&](std::size_t pos) { return int(std::int32_t(u32_at(*bytes, pos))); };
    return EmfBounds{signed_at(8), signed_at(12), signed_at(16), signed_at(20)};
}

std::optional<std::string> emf_to_svg(const std::u16string& path, std::size_t max_bytes) {
    if (!read_emf_bounds(path)) return std::nullopt;
    auto bytes = read_prefix(path, max_bytes, true);
    if (!bytes || bytes->empty()) return std::nullopt;
    // The converter trusts the records' sizes and offsets: a damaged metafile may make it read
    // past its buffer or loop. It runs in a child process, so that costs only the picture.
    return platform::run_isolated([&] { return convert_to_svg(*bytes); }, kConversionLimit);
}

}  // namespace vermark
