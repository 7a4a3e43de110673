// Text forms of the typed settings values (64-bit integers, doubles, rectangles, points).
// Both stores (the INI ProfileStore and the RegistryStore) keep only 32-bit integers and texts;
// richer values are spread over entries named after the caller's entry plus a fixed suffix.
// These free functions are the one place that formats and parses them, so both stores write
// byte-for-byte the same texts that other programs of the family read.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vermark {

// A wide name or value that may be absent: the null pointer of the platform's calls. An absent
// section or entry makes a reader return its default and a writer fail (or delete, where the
// profile rules say so).
using TextArg = std::optional<std::u16string_view>;

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A point or a size.
struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Entry-name suffixes, appended to the caller's entry name with nothing in between.
inline constexpr std::u16string_view kSuffixInt64 = u"_I64_";
inline constexpr std::u16string_view kSuffixHigh = u"_H";
inline constexpr std::u16string_view kSuffixLow = u"_L";
inline constexpr std::u16string_view kSuffixFloat = u"_Flt_";
inline constexpr std::u16string_view kSuffixRect = u"_LTRB";
inline constexpr std::u16string_view kSuffixPoint = u"_L_XY";

std::u16string suffixed(std::u16string_view entry, std::u16string_view suffix);

// Integer to text in a radix clamped to 2..36, lower-case letters (as _i64tow / _itow).
std::u16string int64_to_text(std::int64_t value, int radix);
std::u16string int_to_text(std::int32_t value, int radix);

// Adds one double quote at each end when the text holds a comma, a tab or a blank.
std::u16string quote_if_needed(std::u16string_view text);
// Pieces between single blanks (U+0020 only): "a  b" gives "a", "", "b"; "" gives one empty piece.
std::vector<std::u16string> split_blanks(std::u16string_view text);

// Number parsing with the C runtime's rules: leading white space skipped, optional sign, digits
// up to the first other character, 0 when no digits lead. Out-of-range values saturate.
std::int32_t parse_int(std::u16string_view text);    // _wtoi
std::int64_t parse_int64(std::u16string_view text);  // _wtoi64
double parse_double(std::u16string_view text);       // wcstod, independent of the locale

// "%.20g": reads back to exactly the same double.
std::u16string format_float_precise(double value);
// "%g": 6 significant digits.
std::u16string format_float_short(double value);

// "%d %d %d %d" passed through quote_if_needed (so always quoted) and its reader (unquote,
// split_blanks, parse_int per piece; missing pieces give 0, extra pieces are ignored).
std::u16string format_rect_quoted(const Rect& rect);
Rect parse_rect_quoted(std::u16string_view text);
// "%09d %09d %09d %09d" (the sign takes one of the nine places: -5 is "-00000005"), stored
// unquoted, and its reader (split_blanks without unquoting).
std::u16string format_rect_fixed(const Rect& rect);
Rect parse_rect_fixed(std::u16string_view text);

// The same two forms for points: "%d %d" quoted and "%09d %09d".
std::u16string format_point_quoted(const Point& point);
Point parse_point_quoted(std::u16string_view text);
std::u16string format_point_fixed(const Point& point);
Point parse_point_fixed(std::u16string_view text);

// A 64-bit value as two signed 32-bit halves, and back (the low half taken as unsigned).
std::int32_t high_half(std::int64_t value);
std::int32_t low_half(std::int64_t value);
std::int64_t join_halves(std::int32_t high, std::int32_t low);

// The entries of one section (INI) or key (registry) as the typed values see them: texts and
// 32-bit integers under entry names. Each store hands its own reads and writes in.
struct EntryStore {
    std::function<std::u16string(std::u16string_view entry, std::u16string_view default_text)>
        get_text;
    std::function<bool(std::u16string_view entry, std::u16string_view text)> write_text;
    std::function<std::int32_t(std::u16string_view entry, std::int32_t default_value)> get_int;
    std::function<bool(std::u16string_view entry, std::int32_t value)> write_int;
};

// One text form of a type: the suffix of the entry it is kept under (empty: the caller's entry
// itself) and its writer and reader. Both stores read and write every typed value through these.
template <class T>
struct TextCodec {
    std::u16string_view suffix;
    std::u16string (*format)(const T&);
    T (*parse)(std::u16string_view);
};

extern const TextCodec<std::int64_t> kInt64Decimal;  // "_I64_", decimal
extern const TextCodec<double> kFloatPrecise;        // "_Flt_", "%.20g"
extern const TextCodec<double> kFloatShort;          // the entry itself, "%g"
extern const TextCodec<Rect> kRectQuoted;            // "_LTRB", quoted "%d %d %d %d"
extern const TextCodec<Rect> kRectFixed;             // the entry itself, "%09d ..."
extern const TextCodec<Point> kPointQuoted;          // "_L_XY", quoted "%d %d"
extern const TextCodec<Point> kPointFixed;           // the entry itself, "%09d %09d"

template <class T>
T read_typed(const EntryStore& store, std::u16string_view entry, const TextCodec<T>& codec,
             const T& default_value) {
    return codec.parse(store.get_text(suffixed(entry, codec.suffix), codec.format(default_value)));
}

template <class T>
bool write_typed(const EntryStore& store, std::u16string_view entry, const TextCodec<T>& codec,
                 const T& value) {
    return store.write_text(suffixed(entry, codec.suffix), codec.format(value));
}

// A 64-bit value kept as its halves under entry + "_H" and entry + "_L".
std::int64_t read_halves(const EntryStore& store, std::u16string_view entry,
                         std::int64_t default_value);
bool write_halves(const EntryStore& store, std::u16string_view entry, std::int64_t value);

}  // namespace vermark
