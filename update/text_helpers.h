// Small text helpers of the agent text, also used by the settings reader of the update check:
// trimming, comparing ignoring letter case, bracketing, and numbers to and from text.
#pragma once

#include <string>
#include <string_view>

namespace vermark {

// Without the white space (as iswspace sees it) at the end, at the start, or at both ends.
std::u16string trim_right(std::u16string_view text);
std::u16string trim_left(std::u16string_view text);
std::u16string trim(std::u16string_view text);

// The text lower-cased unit by unit.
std::u16string lower_case(std::u16string_view text);

// Equal as they stand, or equal once both are lower-cased.
bool equals_ignoring_case(std::u16string_view a, std::u16string_view b);

// The text between `opening` and its partner: "(" ")", "<" ">", "[" "]", "{" "}"; any other
// character stands on both sides.
std::u16string bracketed(std::u16string_view text, char16_t opening);

// Fixed notation with up to six decimals, trailing zeros and a trailing point removed:
// 6.0 -> "6", 10.5 -> "10.5". Scientific notation outside -1e50 .. 1e50.
std::u16string format_real(double value);

// The number at the start of the text, after leading white space ("10.0.19041.1" -> 10.0);
// 0 when there is none. Always reads "." as the decimal point, whatever the locale.
double parse_real(std::u16string_view text);

// The value's digits in `base` (clamped to 2..36, lower-case letters above 9). In base 10 a
// negative value gets "-"; in other bases it is written as its 32-bit unsigned form.
std::u16string integer_text(int value, int base);

// The decimal integer at the start of the text, after leading white space and an optional
// sign; 0 when the text does not start with a number (as wcstol in base 10).
long parse_long(std::u16string_view text);

}  // namespace vermark
