// Letter case in wide text, for every layer that compares names ignoring case. Two families:
// ASCII only (A-Z, as the C runtime's default locale and Windows' ordinal comparisons do), and
// as the process's current C locale (towlower), which the update check's settings use.
#pragma once

#include <string>
#include <string_view>

namespace vermark::platform {

// A-Z lower-cased, every other unit unchanged.
constexpr char16_t ascii_lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}
std::u16string ascii_lower(std::u16string_view text);
// a-z upper-cased, every other unit unchanged.
std::u16string ascii_upper(std::u16string_view text);

bool equals_ignoring_ascii_case(std::u16string_view a, std::u16string_view b);
bool starts_with_ignoring_ascii_case(std::u16string_view text, std::u16string_view prefix);
// Found as written, or else with both sides lower-cased.
bool contains_ignoring_ascii_case(std::u16string_view text, std::u16string_view part);

// Each unit lower-cased by towlower in the current C locale.
std::u16string locale_lower(std::u16string_view text);
// Equal as they stand, or equal once both are lower-cased by locale_lower.
bool equals_ignoring_locale_case(std::u16string_view a, std::u16string_view b);
bool starts_with_ignoring_locale_case(std::u16string_view text, std::u16string_view prefix);

}  // namespace vermark::platform
