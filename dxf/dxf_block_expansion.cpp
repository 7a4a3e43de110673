#include "dxf/dxf_block_expansion.h"

#include <unordered_map>

namespace vermark::dxf_detail {
namespace {

// Arcs that a distorting transform turns into polylines get at most this many points.
constexpr std::size_t kPointsPerFlattenedArc = kMaxArcSegments + 1;
// The clock is asked once per this many budget questions.
constexpr unsigned kCallsPerClockCheck = 4096;

struct Cost {
    std::size_t primitives = 0, points = 0, text_bytes = 0;
};

Cost cost_of(const DxfGeometry& g) {
    Cost cost{g.count(), g.arcs.size() * kPointsPerFlattenedArc, 0};
    for (const DxfPolyline& p : g.polylines) cost.points += p.points.size();
    for (const DxfText& t : g.texts) cost.text_bytes += t.text.size();
    return cost;
}

class Expander {
  public:
    Expander(const std::map<std::string, BlockContainer>& blocks, ReadBudget& budget)
        : blocks_(blocks), budget_(budget), limits_(budget.limits()) {
        for (const auto& [name, block] : blocks) costs_[&block] = cost_of(block.geometry);
    }

    DxfGeometry run(BlockContainer& top) {
        // The top level was bounded while it was read: it is drawn whole, as it is.
        DxfGeometry out = std::move(top.geometry);
        expand_inserts(top, Affine{}, 0, out);
        out.bounds = bounds_of(out);
        return out;
    }

  private:
    const std::map<std::string, BlockContainer>& blocks_;
    ReadBudget& budget_;
    const DxfReadLimits& limits_;
    std::unordered_map<const BlockContainer*, Cost> costs_;
    Cost spent_;
    std::size_t copies_ = 0;
    bool stopped_ = false;

    // False (and the expansion stops) when the copy would pass a limit.
    bool afford(const BlockContainer& block) {
        const Cost& cost = costs_[&block];
        if (++copies_ > limits_.max_insert_copies || !budget_.time_left() ||
            spent_.primitives + cost.primitives > limits_.max_primitives ||
            spent_.points + cost.points > limits_.max_points ||
            spent_.text_bytes + cost.text_bytes > limits_.max_text_bytes) {
            stopped_ = true;
            return false;
        }
        spent_.primitives += cost.primitives;
        spent_.points += cost.points;
        spent_.text_bytes += cost.text_bytes;
        return true;
    }

    void expand_inserts(const BlockContainer& container, const Affine& transform, int depth,
                        DxfGeometry& out) {
        if (depth >= limits_.max_block_depth) return;
        for (const InsertRecord& insert : container.inserts) {
            const auto found = blocks_.find(insert.block);
            if (found == blocks_.end()) continue;
            const BlockContainer& block = found->second;
            for (int r = 0; r < insert.rows; ++r) {
                for (int c = 0; c < insert.columns; ++c) {
                    if (stopped_ || !afford(block)) return;
                    const Affine placed = insert.placement(block.base, c, r).then(transform);
                    append_transformed(block.geometry, placed, out);
                    expand_inserts(block, placed, depth + 1, out);
                }
            }
        }
    }
};

}  // namespace

ReadBudget::ReadBudget(const DxfReadLimits& limits)
    : limits_(limits), deadline_(std::chrono::steady_clock::now() + limits.max_time) {}

bool ReadBudget::time_left() {
    if (++calls_ % kCallsPerClockCheck == 0 && std::chrono::steady_clock::now() > deadline_) {
        out_of_time_ = true;
    }
    return !out_of_time_;
}

bool ReadBudget::keep_going() {
    return time_left() && !exhausted_;
}

bool ReadBudget::spend(std::size_t& counter, std::size_t n, std::size_t limit) {
    counter += n;
    if (counter > limit) exhausted_ = true;
    return !exhausted_;
}

Affine InsertRecord::placement(DxfPoint base, int column, int row) const {
    // Array copies are spaced along the insert's own rotated axes, unscaled.
    return Affine::translation(-base.x, -base.y)
        .then(Affine::scaling(scale_x, scale_y))
        .then(Affine::translation(column * column_spacing, row * row_spacing))
        .then(Affine::rotation(rotation_degrees))
        .then(Affine::translation(at.x, at.y))
        .then(Affine::scaling(mirrored ? -1 : 1, 1));
}

DxfGeometry expand_blocks(BlockContainer& top, const std::map<std::string, BlockContainer>& blocks,
                          ReadBudget& budget) {
    return Expander(blocks, budget).run(top);
}

}  // namespace vermark::dxf_detail
