// The drawing reader behind the preview picture: DXF text in, DxfGeometry out, in one pass over
// pieces of any size. Only the ENTITIES and BLOCKS sections are looked at, and in them only the
// entity kinds the picture draws; block references are expanded at the end. Every line, count,
// nesting level and the time taken are bounded by DxfReadLimits.
#pragma once

#include <memory>
#include <string_view>

#include "dxf/dxf_geometry.h"

namespace vermark {

class DxfEntityReader {
  public:
    explicit DxfEntityReader(const DxfReadLimits& limits = {});
    ~DxfEntityReader();
    DxfEntityReader(const DxfEntityReader&) = delete;
    DxfEntityReader& operator=(const DxfEntityReader&) = delete;

    // The next piece of UTF-8 text. False once more text cannot change the result (the groups
    // ended, or a limit was reached).
    bool feed(std::string_view utf8_piece);

    // The drawing read so far, block references expanded, with its bounding box.
    DxfGeometry finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vermark
