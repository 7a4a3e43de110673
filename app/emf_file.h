// Enhanced metafiles as the preview needs them: the picture's bounds from the file's header, and
// the whole picture converted to SVG (libemf2svg) so that Qt can play it.
#pragma once

#include <optional>
#include <string>

namespace vermark {

// rclBounds of the header record, in device units (inclusive as stored).
struct EmfBounds {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Reads the first 100 bytes of the file and returns the header's bounds. Empty when the file
// cannot be read or does not begin with an enhanced-metafile header.
std::optional<EmfBounds> read_emf_bounds(const std::u16string& path);

// The metafile as an SVG document. Empty when the file cannot be read, is larger than
// `max_bytes`, or the converter reports a failure.
std::optional<std::string> emf_to_svg(const std::u16string& path,
                                      std::size_t max_bytes = 64u << 20);

}  // namespace vermark
