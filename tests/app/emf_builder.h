// Writes small enhanced metafiles for the preview tests: a header with the given bounds, a filled
// rectangle over the whole bounds, and the end record.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "support/sandbox.h"

namespace vermark::testing {

inline void put_u32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

inline std::string emf_bytes(int left, int top, int right, int bottom) {
    std::string records;
    put_u32(records, 43);  // EMR_RECTANGLE
    put_u32(records, 24);
    for (int v : {left, top, right, bottom}) put_u32(records, std::uint32_t(v));
    put_u32(records, 14);  // EMR_EOF
    put_u32(records, 20);
    put_u32(records, 0);
    put_u32(records, 16);
    put_u32(records, 20);

    const std::uint32_t header_size = 108;
    std::string out;
    put_u32(out, 1);  // EMR_HEADER
    put_u32(out, header_size);
    for (int v : {left, top, right, bottom}) put_u32(out, std::uint32_t(v));  // rclBounds
    for (int v : {0, 0, (right - left) * 26, (bottom - top) * 26}) put_u32(out, std::uint32_t(v));
    put_u32(out, 0x464D4520);  // " EMF"
    put_u32(out, 0x10000);
    put_u32(out, std::uint32_t(header_size + records.size()));
    put_u32(out, 3);                              // records
    put_u32(out, 1);                              // handles, reserved
    for (int i = 0; i < 3; ++i) put_u32(out, 0);  // description, palette
    for (int v : {1920, 1080, 508, 286, 0, 0, 0, 508000, 286000}) put_u32(out, std::uint32_t(v));
    out += records;
    return out;
}

inline void write_emf(const std::filesystem::path& path, int left, int top, int right, int bottom) {
    write_bytes(path, emf_bytes(left, top, right, bottom));
}

}  // namespace vermark::testing
