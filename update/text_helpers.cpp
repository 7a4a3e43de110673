#include "update/text_helpers.h"

#include <stdlib.h>

#include <cmath>
#include <cwctype>
#include <limits>
#include <sstream>

#include "platform/c_numbers.h"
#include "platform/text_case.h"

namespace vermark {
namespace {

bool is_space(char16_t c) {
    return std::iswspace(static_cast<wint_t>(c)) != 0;
}

// The leading ASCII part of the text after white space: a number never holds anything else.
std::string ascii_number_prefix(std::u16string_view text) {
    std::size_t start = 0;
    while (start < text.size() && is_space(text[start])) ++start;
    std::string ascii;
    for (std::size_t i = start; i < text.size() && text[i] < 0x80; ++i)
        ascii.push_back(static_cast<char>(text[i]));
    return ascii;
}

}  // namespace

std::u16string trim_right(std::u16string_view text) {
    std::size_t end = text.size();
    while (end > 0 && is_space(text[end - 1])) --end;
    return std::u16string(text.substr(0, end));
}

std::u16string trim_left(std::u16string_view text) {
    std::size_t start = 0;
    while (start < text.size() && is_space(text[start])) ++start;
    return std::u16string(text.substr(start));
}

std::u16string trim(std::u16string_view text) {
    return trim_left(trim_right(text));
}

std::u16string lower_case(std::u16string_view text) {
    return platform::locale_lower(text);
}

bool equals_ignoring_case(std::u16string_view a, std::u16string_view b) {
    return platform::equals_ignoring_locale_case(a, b);
}

std::u16string bracketed(std::u16string_view text, char16_t opening) {
    char16_t closing = opening;
    switch (opening) {
        case u'(':
            closing = u')';
            break;
        case u'<':
            closing = u'>';
            break;
        case u'[':
            closing = u']';
            break;
        case u'{':
            closing = u'}';
            break;
        default:
            break;
    }
    std::u16string out;
    out.reserve(text.size() + 2);
    out.push_back(opening);
    out.append(text);
    out.push_back(closing);
    return out;
}

std::u16string format_real(double value) {
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    if (std::isfinite(value) && (value < -1e50 || value > 1e50))
        stream << std::scientific;
    else
        stream << std::fixed;
    stream.precision(6);
    stream << value;
    std::string text = stream.str();
    if (text.find('.') != std::string::npos && text.find_first_of("eE") == std::string::npos) {
        while (!text.empty() && text.back() == '0') text.pop_back();
        if (!text.empty() && text.back() == '.') text.pop_back();
    }
    return std::u16string(text.begin(), text.end());
}

double parse_real(std::u16string_view text) {
    const std::string ascii = ascii_number_prefix(text);
    return platform::parse_c_double(ascii);
}

std::u16string integer_text(int value, int base) {
    if (base < 2) base = 2;
    if (base > 36) base = 36;
    const bool negative = base == 10 && value < 0;
    unsigned long long magnitude =
        negative ? static_cast<unsigned long long>(-static_cast<long long>(value))
                 : static_cast<unsigned long long>(static_cast<unsigned>(value));
    std::u16string digits;
    do {
        const auto digit = static_cast<int>(magnitude % static_cast<unsigned>(base));
        digits.insert(digits.begin(),
                      static_cast<char16_t>(digit < 10 ? u'0' + digit : u'a' + digit - 10));
        magnitude /= static_cast<unsigned>(base);
    } while (magnitude != 0);
    if (negative) digits.insert(digits.begin(), u'-');
    return digits;
}

long parse_long(std::u16string_view text) {
    const std::string ascii = ascii_number_prefix(text);
    return platform::parse_c_long(ascii);
}

}  // namespace vermark
