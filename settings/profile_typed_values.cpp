// ProfileStore's typed values. The suffixed entry is read (and so cached, logged and written
// back like any other read) but the plain entry under the caller's name decides the value,
// which other programs of the family rely on.
#include "settings/profile_store.h"

namespace vermark {

namespace {

// Without an entry name there is no suffixed entry to touch. Passing the absent name on would
// make write_string delete the whole section.
bool has_names(TextArg section, TextArg entry) {
    return section && entry;
}

}  // namespace

std::int64_t ProfileStore::get_int64(TextArg section, TextArg entry, std::int64_t default_value) {
    if (has_names(section, entry))
        parse_int64(
            get_string(section, suffixed(*entry, kSuffixInt64), int64_to_text(default_value, 10)));
    return get_hilo(section, entry, default_value);
}

bool ProfileStore::write_int64(TextArg section, TextArg entry, std::int64_t value) {
    if (has_names(section, entry))
        write_string(section, suffixed(*entry, kSuffixInt64), int64_to_text(value, 10));
    return write_hilo(section, entry, value);
}

std::int64_t ProfileStore::get_hilo(TextArg section, TextArg entry, std::int64_t default_value) {
    if (!section || !entry) return default_value;
    const std::int32_t high =
        get_int(section, suffixed(*entry, kSuffixHigh), high_half(default_value));
    const std::int32_t low =
        get_int(section, suffixed(*entry, kSuffixLow), low_half(default_value));
    return join_halves(high, low);
}

bool ProfileStore::write_hilo(TextArg section, TextArg entry, std::int64_t value) {
    if (!section || !entry) return false;
    write_int(section, suffixed(*entry, kSuffixHigh), high_half(value));
    return write_int(section, suffixed(*entry, kSuffixLow), low_half(value));
}

double ProfileStore::get_float(TextArg section, TextArg entry, double default_value) {
    if (has_names(section, entry))
        parse_double(get_string(section, suffixed(*entry, kSuffixFloat),
                                format_float_precise(default_value)));
    return get_float_short(section, entry, default_value);
}

bool ProfileStore::write_float(TextArg section, TextArg entry, double value) {
    if (has_names(section, entry))
        write_string(section, suffixed(*entry, kSuffixFloat), format_float_precise(value));
    return write_float_short(section, entry, value);
}

Rect ProfileStore::get_rect(TextArg section, TextArg entry, Rect default_value) {
    if (has_names(section, entry))
        parse_rect_quoted(
            get_string(section, suffixed(*entry, kSuffixRect), format_rect_quoted(default_value)));
    return get_rect_fixed(section, entry, default_value);
}

bool ProfileStore::write_rect(TextArg section, TextArg entry, Rect value) {
    if (has_names(section, entry))
        write_string(section, suffixed(*entry, kSuffixRect), format_rect_quoted(value));
    return write_rect_fixed(section, entry, value);
}

Point ProfileStore::get_point(TextArg section, TextArg entry, Point default_value) {
    if (has_names(section, entry))
        parse_point_quoted(get_string(section, suffixed(*entry, kSuffixPoint),
                                      format_point_quoted(default_value)));
    return get_point_fixed(section, entry, default_value);
}

bool ProfileStore::write_point(TextArg section, TextArg entry, Point value) {
    if (has_names(section, entry))
        write_string(section, suffixed(*entry, kSuffixPoint), format_point_quoted(value));
    return write_point_fixed(section, entry, value);
}

double ProfileStore::get_float_short(TextArg section, TextArg entry, double default_value) {
    if (!section || !entry) return default_value;
    return parse_double(get_string(section, entry, format_float_short(default_value)));
}

bool ProfileStore::write_float_short(TextArg section, TextArg entry, double value) {
    if (!section || !entry) return false;
    return write_string(section, entry, format_float_short(value));
}

Rect ProfileStore::get_rect_fixed(TextArg section, TextArg entry, Rect default_value) {
    if (!section || !entry) return default_value;
    return parse_rect_fixed(get_string(section, entry, format_rect_fixed(default_value)));
}

bool ProfileStore::write_rect_fixed(TextArg section, TextArg entry, Rect value) {
    if (!section || !entry) return false;
    return write_string(section, entry, format_rect_fixed(value));
}

Point ProfileStore::get_point_fixed(TextArg section, TextArg entry, Point default_value) {
    if (!section || !entry) return default_value;
    return parse_point_fixed(get_string(section, entry, format_point_fixed(default_value)));
}

bool ProfileStore::write_point_fixed(TextArg section, TextArg entry, Point value) {
    if (!section || !entry) return false;
    return write_string(section, entry, format_point_fixed(value));
}

}  // namespace vermark
