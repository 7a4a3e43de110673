// What the drawing reader collects before it draws: the model, the paper space and each block as
// shapes plus the block references they hold, and the budget that bounds reading and expanding.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "dxf/dxf_geometry.h"
#include "dxf/dxf_geometry_internal.h"

namespace vermark::dxf_detail {

// Counts what a read costs against DxfReadLimits; once a limit is passed, every answer is no.
class ReadBudget {
  public:
    explicit ReadBudget(const DxfReadLimits& limits);

    const DxfReadLimits& limits() const { return limits_; }
    // False once a limit was passed or the time is up (the clock is asked now and then).
    bool keep_going();
    // False once the time is up; the other limits do not count.
    bool time_left();
    bool spend_primitive() { return spend(primitives_, 1, limits_.max_primitives); }
    bool spend_points(std::size_t n) { return spend(points_, n, limits_.max_points); }
    bool spend_text(std::size_t bytes) { return spend(text_bytes_, bytes, limits_.max_text_bytes); }
    bool exhausted() const { return exhausted_; }

  private:
    bool spend(std::size_t& counter, std::size_t n, std::size_t limit);

    DxfReadLimits limits_;
    std::chrono::steady_clock::time_point deadline_;
    std::size_t primitives_ = 0, points_ = 0, text_bytes_ = 0;
    unsigned calls_ = 0;
    bool exhausted_ = false;
    bool out_of_time_ = false;
};

struct InsertRecord {
    std::string block;  // upper-cased name
    DxfPoint at;
    double scale_x = 1, scale_y = 1, rotation_degrees = 0;
    bool mirrored = false;
    int columns = 1, rows = 1;
    double column_spacing = 0, row_spacing = 0;

    // Block coordinates into the inserting container's, for the array copy (column, row).
    Affine placement(DxfPoint base, int column, int row) const;
};

struct BlockContainer {
    DxfGeometry geometry;
    std::vector<InsertRecord> inserts;
    DxfPoint base;
};

inline bool has_content(const BlockContainer& c) {
    return !c.geometry.empty() || !c.inserts.empty();
}

// The container's shapes with every block reference replaced by transformed copies of the block
// (nested up to the depth limit), and the bounding box. The expansion stops where the budget's
// limits on copies, primitives, points, text or time are reached.
// `top` is used up.
DxfGeometry expand_blocks(BlockContainer& top, const std::map<std::string, BlockContainer>& blocks,
                          ReadBudget& budget);

}  // namespace vermark::dxf_detail
