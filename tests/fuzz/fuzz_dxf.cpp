// Any bytes through the drawing reader behind the preview picture and the HEADER section finder:
// no crash, no undefined behaviour, no hang; the reader stays within its limits and gives the
// same drawing over pieces as over the whole, and so does the finder.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "dxf/dxf_entity_reader.h"
#include "dxf/dxf_geometry.h"
#include "dxf/dxf_scan.h"

using namespace vermark;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// Small limits keep each run short under the sanitizers; block bombs reach them quickly.
DxfReadLimits fuzz_limits() {
    DxfReadLimits limits;
    limits.max_line_bytes = 512;
    limits.max_primitives = 20'000;
    limits.max_points = 200'000;
    limits.max_text_bytes = 1 << 20;
    limits.max_insert_copies = 5'000;
    limits.max_time = std::chrono::milliseconds(2'000);
    return limits;
}

void check_drawing_reader(std::string_view text) {
    const DxfReadLimits limits = fuzz_limits();
    const DxfGeometry whole = parse_dxf_geometry(text, limits);
    // The top level and the expansion each stay within the primitive limit.
    check(whole.count() <= 2 * limits.max_primitives);
    DxfEntityReader pieces(limits);
    std::size_t cut = text.empty() ? 1 : static_cast<unsigned char>(text[0]) % 5 + 1;
    for (std::size_t at = 0; at < text.size(); at += cut, cut = cut % 9 + 1)
        pieces.feed(text.substr(at, cut));
    const DxfGeometry pieced = pieces.finish();
    check(pieced.count() == whole.count());
    check(pieced.bounds.valid == whole.bounds.valid);
}

void check_header_finder(const std::uint8_t* data, std::size_t size) {
    HeaderSectionFinder<std::uint8_t> whole;
    whole.feed(data, size);
    whole.finish();
    HeaderSectionFinder<std::uint8_t> pieces;
    std::size_t cut = size == 0 ? 1 : data[0] % 7 + 1;
    for (std::size_t at = 0; at < size; at += cut, cut = cut % 11 + 1)
        pieces.feed(data + at, std::min(cut, size - at));
    pieces.finish();
    check(whole.found() == pieces.found());
    if (whole.found()) {
        check(whole.insert_at() == pieces.insert_at());
        check(whole.line_end() == pieces.line_end());
        check(whole.insert_at() <= size);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check_drawing_reader(std::string_view(reinterpret_cast<const char*>(data), size));
    check_header_finder(data, size);
    return 0;
}
