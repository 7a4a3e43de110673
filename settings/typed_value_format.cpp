#include "settings/typed_value_format.h"

#include <array>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include "platform/c_numbers.h"
#include "util/strings.h"

namespace vermark {

namespace {

std::u16string ascii_to_wide(std::string_view text) {
    return {text.begin(), text.end()};
}

bool is_c_space(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Skips leading white space and reads an optional sign; the digits start at the returned index.
std::size_t skip_space_and_sign(std::u16string_view text, bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && is_c_space(text[i])) ++i;
    negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    return i;
}

// Decimal digits as an unsigned magnitude that stops growing at `limit` (saturation).
std::uint64_t read_magnitude(std::u16string_view text, std::size_t i, std::uint64_t limit) {
    std::uint64_t magnitude = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const auto digit = static_cast<std::uint64_t>(text[i] - u'0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    return magnitude;
}

template <typename Int>
Int parse_signed(std::u16string_view text) {
    bool negative = false;
    const std::size_t start = skip_space_and_sign(text, negative);
    const auto max = static_cast<std::uint64_t>(std::numeric_limits<Int>::max());
    const std::uint64_t magnitude = read_magnitude(text, start, max + 1);
    if (negative)
        return magnitude > max ? std::numeric_limits<Int>::min()
                               : static_cast<Int>(-static_cast<std::int64_t>(magnitude));
    return magnitude > max ? std::numeric_limits<Int>::max() : static_cast<Int>(magnitude);
}

std::u16string format_general(double value, int precision) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
    return ascii_to_wide(std::string_view(buffer, result.ptr - buffer));
}

// "%0Nd": zero-padded to `width` characters, the sign counting as one of them.
std::u16string format_padded(std::int32_t value, int width) {
    const std::u16string digits =
        int64_to_text(value < 0 ? -static_cast<std::int64_t>(value) : value, 10);
    const std::size_t sign = value < 0 ? 1 : 0;
    const std::size_t pad =
        digits.size() + sign < static_cast<std::size_t>(width) ? width - digits.size() - sign : 0;
    return std::u16string(sign, u'-') + std::u16string(pad, u'0') + digits;
}

std::u16string join_blank(std::initializer_list<std::u16string> pieces) {
    std::u16string text;
    for (const auto& piece : pieces) {
        if (!text.empty()) text += u' ';
        text += piece;
    }
    return text;
}

// The numbers of a blank-separated text in order; missing ones stay 0.
template <std::size_t N>
std::array<std::int32_t, N> numbers_of(std::u16string_view text) {
    std::array<std::int32_t, N> numbers{};
    const auto pieces = split_blanks(text);
    for (std::size_t i = 0; i < N && i < pieces.size(); ++i) numbers[i] = parse_int(pieces[i]);
    return numbers;
}

Rect rect_of(const std::array<std::int32_t, 4>& n) {
    return {n[0], n[1], n[2], n[3]};
}
Point point_of(const std::array<std::int32_t, 2>& n) {
    return {n[0], n[1]};
}

int clamp_radix(int radix) {
    return radix < 2 ? 2 : (radix > 36 ? 36 : radix);
}

template <typename Int>
std::u16string number_text(Int value, int radix) {
    char buffer[72];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, radix);
    return ascii_to_wide(std::string_view(buffer, result.ptr - buffer));
}

}  // namespace

std::u16string suffixed(std::u16string_view entry, std::u16string_view suffix) {
    std::u16string name(entry);
    name += suffix;
    return name;
}

// Only radix 10 shows a sign; in any other radix a negative value shows its two's complement
// bits, as the C runtime's _i64tow and _itow do.
std::u16string int64_to_text(std::int64_t value, int radix) {
    radix = clamp_radix(radix);
    if (radix == 10) return number_text(value, 10);
    return number_text(static_cast<std::uint64_t>(value), radix);
}

std::u16string int_to_text(std::int32_t value, int radix) {
    radix = clamp_radix(radix);
    if (radix == 10) return number_text(value, 10);
    return number_text(static_cast<std::uint32_t>(value), radix);
}

std::u16string quote_if_needed(std::u16string_view text) {
    if (text.find_first_of(u", \t") == std::u16string_view::npos) return std::u16string(text);
    std::u16string quoted(u"\"");
    quoted += text;
    quoted += u'"';
    return quoted;
}

std::vector<std::u16string> split_blanks(std::u16string_view text) {
    std::vector<std::u16string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t blank = text.find(u' ', start);
        if (blank == std::u16string_view::npos) break;
        pieces.emplace_back(text.substr(start, blank - start));
        start = blank + 1;
    }
    // The blank appended to the text ends the last piece.
    pieces.emplace_back(text.substr(start));
    return pieces;
}

std::int32_t parse_int(std::u16string_view text) {
    return parse_signed<std::int32_t>(text);
}

std::int64_t parse_int64(std::u16string_view text) {
    return parse_signed<std::int64_t>(text);
}

double parse_double(std::u16string_view text) {
    std::string ascii;
    for (char16_t c : text) {
        if (c == 0 || c > 0x7F) break;
        ascii += static_cast<char>(c);
    }
    return platform::parse_c_double(ascii);
}

std::u16string format_float_precise(double value) {
    return format_general(value, 20);
}

std::u16string format_float_short(double value) {
    return format_general(value, 6);
}

std::u16string format_rect_quoted(const Rect& r) {
    return quote_if_needed(join_blank({int_to_text(r.left, 10), int_to_text(r.top, 10),
                                       int_to_text(r.right, 10), int_to_text(r.bottom, 10)}));
}

Rect parse_rect_quoted(std::u16string_view text) {
    return rect_of(numbers_of<4>(unquote(text)));
}

std::u16string format_rect_fixed(const Rect& r) {
    return join_blank({format_padded(r.left, 9), format_padded(r.top, 9), format_padded(r.right, 9),
                       format_padded(r.bottom, 9)});
}

Rect parse_rect_fixed(std::u16string_view text) {
    return rect_of(numbers_of<4>(text));
}

std::u16string format_point_quoted(const Point& p) {
    return quote_if_needed(join_blank({int_to_text(p.x, 10), int_to_text(p.y, 10)}));
}

Point parse_point_quoted(std::u16string_view text) {
    return point_of(numbers_of<2>(unquote(text)));
}

std::u16string format_point_fixed(const Point& p) {
    return join_blank({format_padded(p.x, 9), format_padded(p.y, 9)});
}

Point parse_point_fixed(std::u16string_view text) {
    return point_of(numbers_of<2>(text));
}

namespace {

std::u16string decimal_of(const std::int64_t& value) {
    return int64_to_text(value, 10);
}
std::u16string precise_of(const double& value) {
    return format_float_precise(value);
}
std::u16string short_of(const double& value) {
    return format_float_short(value);
}

}  // namespace

const TextCodec<std::int64_t> kInt64Decimal{kSuffixInt64, decimal_of, parse_int64};
const TextCodec<double> kFloatPrecise{kSuffixFloat, precise_of, parse_double};
const TextCodec<double> kFloatShort{u"", short_of, parse_double};
const TextCodec<Rect> kRectQuoted{kSuffixRect, format_rect_quoted, parse_rect_quoted};
const TextCodec<Rect> kRectFixed{u"", format_rect_fixed, parse_rect_fixed};
const TextCodec<Point> kPointQuoted{kSuffixPoint, format_point_quoted, parse_point_quoted};
const TextCodec<Point> kPointFixed{u"", format_point_fixed, parse_point_fixed};

std::int64_t read_halves(const EntryStore& store, std::u16string_view entry,
                         std::int64_t default_value) {
    const std::int32_t high = store.get_int(suffixed(entry, kSuffixHigh), high_half(default_value));
    const std::int32_t low = store.get_int(suffixed(entry, kSuffixLow), low_half(default_value));
    return join_halves(high, low);
}

bool write_halves(const EntryStore& store, std::u16string_view entry, std::int64_t value) {
    store.write_int(suffixed(entry, kSuffixHigh), high_half(value));
    return store.write_int(suffixed(entry, kSuffixLow), low_half(value));
}

std::int32_t high_half(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint64_t>(value) >> 32);
}

std::int32_t low_half(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

std::int64_t join_halves(std::int32_t high, std::int32_t low) {
    const std::uint64_t bits =
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) |
        static_cast<std::uint32_t>(low);
    return static_cast<std::int64_t>(bits);
}

}  // namespace vermark
