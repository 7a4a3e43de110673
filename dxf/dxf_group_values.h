// The values of one DXF entity's groups, kept by group code (the last one of a code counts), and
// the number readings drawings are written for: reals with a point or a comma, leading blanks
// skipped, the longest number at the start taken; a value that starts with no number reads 0.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vermark::dxf_detail {

// The real at the start of `text`: sign, digits, fraction and exponent, ',' read as '.'.
// 0 when none; a number past the range of doubles reads as the largest double of its sign.
double real_of(std::string_view text);

// The integer at the start of `text` (sign and digits), as a long read and cut to int.
int int_of(std::string_view text);

class EntityValues {
  public:
    // Codes above this carry nothing the picture reads (extrusion is 210..230).
    static constexpr int kLastKeptCode = 230;

    // Whether the picture reads the code at all: the others need not be kept.
    static bool kept(int code) { return code >= 0 && code <= kLastKeptCode && kKept[code]; }

    void clear() { ++generation_; }
    void set(int code, std::string_view value);

    bool has(int code) const {
        return code >= 0 && code <= kLastKeptCode && stamps_[code] == generation_;
    }
    double real(int code, double fallback) const {
        return has(code) ? real_of(values_[code]) : fallback;
    }
    int integer(int code, int fallback) const {
        return has(code) ? int_of(values_[code]) : fallback;
    }
    std::string_view text(int code) const { return has(code) ? values_[code] : std::string_view(); }

  private:
    static constexpr std::array<bool, kLastKeptCode + 1> kKept = [] {
        std::array<bool, kLastKeptCode + 1> kept{};
        for (int code : {1,  2,  10, 11, 12, 13, 20, 21, 22, 23, 40, 41,
                         42, 44, 45, 50, 51, 67, 70, 71, 72, 73, 230}) {
            kept[code] = true;
        }
        return kept;
    }();

    std::uint32_t generation_ = 1;
    std::array<std::uint32_t, kLastKeptCode + 1> stamps_ = {};
    std::array<std::string, kLastKeptCode + 1> values_;
};

}  // namespace vermark::dxf_detail
