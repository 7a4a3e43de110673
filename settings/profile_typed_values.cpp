// ProfileStore's typed values, through the codecs of settings/typed_value_format.h. The suffixed
// entry is read (and so cached, logged and written back like any other read) but the plain entry
// under the caller's name decides the value, which other programs of the family rely on.
#include "settings/profile_store.h"

namespace vermark {

namespace {

// Without an entry name there is no suffixed entry to touch. Passing the absent name on would
// make write_string delete the whole section.
bool has_names(TextArg section, TextArg entry) {
    return section && entry;
}

template <class T>
T read_named(const EntryStore& store, TextArg section, TextArg entry, const TextCodec<T>& codec,
             const T& default_value) {
    return has_names(section, entry) ? read_typed(store, *entry, codec, default_value)
                                     : default_value;
}

template <class T>
bool write_named(const EntryStore& store, TextArg section, TextArg entry, const TextCodec<T>& codec,
                 const T& value) {
    return has_names(section, entry) && write_typed(store, *entry, codec, value);
}

}  // namespace

EntryStore ProfileStore::entries(TextArg section) {
    return {[this, section](std::u16string_view entry, std::u16string_view default_text) {
                return get_string(section, entry, default_text);
            },
            [this, section](std::u16string_view entry, std::u16string_view text) {
                return write_string(section, entry, text);
            },
            [this, section](std::u16string_view entry, std::int32_t default_value) {
                return get_int(section, entry, default_value);
            },
            [this, section](std::u16string_view entry, std::int32_t value) {
                return write_int(section, entry, value);
            }};
}

std::int64_t ProfileStore::get_int64(TextArg section, TextArg entry, std::int64_t default_value) {
    read_named(entries(section), section, entry, kInt64Decimal, default_value);
    return get_hilo(section, entry, default_value);
}

bool ProfileStore::write_int64(TextArg section, TextArg entry, std::int64_t value) {
    write_named(entries(section), section, entry, kInt64Decimal, value);
    return write_hilo(section, entry, value);
}

std::int64_t ProfileStore::get_hilo(TextArg section, TextArg entry, std::int64_t default_value) {
    return has_names(section, entry) ? read_halves(entries(section), *entry, default_value)
                                     : default_value;
}

bool ProfileStore::write_hilo(TextArg section, TextArg entry, std::int64_t value) {
    return has_names(section, entry) && write_halves(entries(section), *entry, value);
}

double ProfileStore::get_float(TextArg section, TextArg entry, double default_value) {
    read_named(entries(section), section, entry, kFloatPrecise, default_value);
    return get_float_short(section, entry, default_value);
}

bool ProfileStore::write_float(TextArg section, TextArg entry, double value) {
    write_named(entries(section), section, entry, kFloatPrecise, value);
    return write_float_short(section, entry, value);
}

Rect ProfileStore::get_rect(TextArg section, TextArg entry, Rect default_value) {
    read_named(entries(section), section, entry, kRectQuoted, default_value);
    return get_rect_fixed(section, entry, default_value);
}

bool ProfileStore::write_rect(TextArg section, TextArg entry, Rect value) {
    write_named(entries(section), section, entry, kRectQuoted, value);
    return write_rect_fixed(section, entry, value);
}

Point ProfileStore::get_point(TextArg section, TextArg entry, Point default_value) {
    read_named(entries(section), section, entry, kPointQuoted, default_value);
    return get_point_fixed(section, entry, default_value);
}

bool ProfileStore::write_point(TextArg section, TextArg entry, Point value) {
    write_named(entries(section), section, entry, kPointQuoted, value);
    return write_point_fixed(section, entry, value);
}

double ProfileStore::get_float_short(TextArg section, TextArg entry, double default_value) {
    return read_named(entries(section), section, entry, kFloatShort, default_value);
}

bool ProfileStore::write_float_short(TextArg section, TextArg entry, double value) {
    return write_named(entries(section), section, entry, kFloatShort, value);
}

Rect ProfileStore::get_rect_fixed(TextArg section, TextArg entry, Rect default_value) {
    return read_named(entries(section), section, entry, kRectFixed, default_value);
}

bool ProfileStore::write_rect_fixed(TextArg section, TextArg entry, Rect value) {
    return write_named(entries(section), section, entry, kRectFixed, value);
}

Point ProfileStore::get_point_fixed(TextArg section, TextArg entry, Point default_value) {
    return read_named(entries(section), section, entry, kPointFixed, default_value);
}

bool ProfileStore::write_point_fixed(TextArg section, TextArg entry, Point value) {
    return write_named(entries(section), section, entry, kPointFixed, value);
}

}  // namespace vermark
