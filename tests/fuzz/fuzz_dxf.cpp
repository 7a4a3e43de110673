// Any bytes through the drawing reader behind the preview picture and the HEADER section finder:
// no crash, no undefined behaviour, and the finder gives the same answer over pieces as over the
// whole.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "dxf/dxf_geometry.h"
#include "dxf/dxf_scan.h"

using namespace vermark;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
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
    const DxfGeometry geometry =
        parse_dxf_geometry(std::string_view(reinterpret_cast<const char*>(data), size));
    check(geometry.count() <= size);
    check_header_finder(data, size);
    return 0;
}
