#include "platform/text_case.h"

#include <cwctype>

namespace vermark::platform {

std::u16string ascii_lower(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) c = ascii_lower(c);
    return out;
}

std::u16string ascii_upper(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return out;
}

bool equals_ignoring_ascii_case(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    return true;
}

bool starts_with_ignoring_ascii_case(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() &&
           equals_ignoring_ascii_case(text.substr(0, prefix.size()), prefix);
}

bool contains_ignoring_ascii_case(std::u16string_view text, std::u16string_view part) {
    if (text.find(part) != std::u16string_view::npos) return true;
    return ascii_lower(text).find(ascii_lower(part)) != std::u16string::npos;
}

std::u16string locale_lower(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) c = static_cast<char16_t>(std::towlower(c));
    return out;
}

bool equals_ignoring_locale_case(std::u16string_view a, std::u16string_view b) {
    return a == b || locale_lower(a) == locale_lower(b);
}

bool starts_with_ignoring_locale_case(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() &&
           equals_ignoring_locale_case(text.substr(0, prefix.size()), prefix);
}

}  // namespace vermark::platform
