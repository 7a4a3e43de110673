// The byte buffer whole files are read into and written from, and the read-only view that the
// conversion and encoding functions take so that memory-mapped or streamed data needs no copy.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vermark::platform {

using ByteBuffer = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

}  // namespace vermark::platform
