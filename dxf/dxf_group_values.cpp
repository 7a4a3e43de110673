#include "dxf/dxf_group_values.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>

namespace vermark::dxf_detail {
namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view without_leading_blanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i])) ++i;
    return text.substr(i);
}

// The number at the start as "[-]digits[.digits][e[sign]digits]" with ',' read as '.'; empty
// when the start is not a whole number (digits missing before or after the exponent mark).
std::string number_prefix(std::string_view text, bool& negative) {
    std::string number;
    std::size_t i = 0;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    bool digits = false, point = false;
    for (; i < text.size() && number.size() < 400; ++i) {
        const char c = text[i];
        if (is_digit(c)) {
            digits = true;
            number += c;
        } else if ((c == '.' || c == ',') && !point) {
            point = true;
            number += '.';
        } else {
            break;
        }
    }
    if (!digits) return {};
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        number += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
        bool exponent_digits = false;
        for (; i < text.size() && is_digit(text[i]) && number.size() < 440; ++i) {
            exponent_digits = true;
            number += text[i];
        }
        if (!exponent_digits) return {};
    }
    return number;
}

// The common case read in place: a plain number with a point, or none at all. Nothing when the
// text needs the full reading (a comma, or a plus sign).
std::optional<double> plain_real(std::string_view text) {
    const char* const end = text.data() + text.size();
    const char* at = text.data();
    if (at == end || *at == '+' || *at == ',') return std::nullopt;
    const char* digits = at + (*at == '-' ? 1 : 0);
    // from_chars also reads "inf" and "nan", which are no numbers here.
    if (digits == end || !(is_digit(*digits) || *digits == '.')) return 0.0;
    double value = 0;
    const auto [stop, error] = std::from_chars(at, end, value);
    if (error == std::errc::invalid_argument) return 0.0;
    if (stop != end && (*stop == ',' || *stop == 'e' || *stop == 'E')) return std::nullopt;
    if (error != std::errc()) return std::nullopt;
    return value;
}

}  // namespace

double real_of(std::string_view text) {
    text = without_leading_blanks(text);
    if (const std::optional<double> plain = plain_real(text)) return *plain;
    bool negative = false;
    const std::string number = number_prefix(text, negative);
    if (number.empty()) return 0;
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        const std::size_t e = number.find('e');
        const bool tiny = e != std::string::npos && e + 1 < number.size() && number[e + 1] == '-';
        value = tiny ? 0 : std::numeric_limits<double>::max();
    } else if (error != std::errc()) {
        return 0;
    }
    return negative ? -value : value;
}

int int_of(std::string_view text) {
    text = without_leading_blanks(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Read as a 64-bit long, saturating as strtol does, then cut to int, as drawing readers on
    // 64-bit Linux do; spelled out so that Windows, whose long has 32 bits, reads the same.
    constexpr auto kLongest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    std::uint64_t magnitude = 0;
    const std::uint64_t limit = negative ? kLongest + 1 : kLongest;
    for (; i < text.size() && is_digit(text[i]); ++i) {
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    const std::int64_t value =
        negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
    return static_cast<int>(value);
}

void EntityValues::set(int code, std::string_view value) {
    if (!kept(code)) return;
    // A value ends at a zero byte, as C strings do.
    const std::size_t zero = value.find('\0');
    values_[code].assign(value.substr(0, zero));
    stamps_[code] = generation_;
}

}  // namespace vermark::dxf_detail
