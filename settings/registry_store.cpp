#include "settings/registry_store.h"

#include <algorithm>
#include <array>

namespace vermark {

namespace {

// A name as the platform's calls take it: zero-terminated, or null when absent.
class CName {
  public:
    explicit CName(TextArg arg) : present_(arg.has_value()), text_(arg.value_or(u"")) {}
    const char16_t* get() const { return present_ ? text_.c_str() : nullptr; }

  private:
    bool present_;
    std::u16string text_;
};

std::u16string text_of(TextArg arg) {
    return std::u16string(arg.value_or(u""));
}

// Registry paths keep "\" as their only separator: "/" is an ordinary character in key names.
std::u16string parent_key(std::u16string_view path) {
    const std::size_t sep = path.rfind(u'\\');
    return sep == std::u16string_view::npos ? std::u16string(u"\\")
                                            : std::u16string(path.substr(0, sep));
}

std::u16string leaf_key(std::u16string_view path) {
    const std::size_t sep = path.rfind(u'\\');
    return std::u16string(sep == std::u16string_view::npos ? path : path.substr(sep + 1));
}

// The platform's string length (lstrlenW): up to the first zero character.
std::u16string_view up_to_zero(std::u16string_view text) {
    return text.substr(0, std::min(text.size(), text.find(char16_t{0})));
}

}  // namespace

RegistryStore::~RegistryStore() {
    close_key();
}

void RegistryStore::fail(std::u16string_view text, std::u16string_view name) {
    last_error_ = std::u16string(text) + subkey_ + u"\\[" + std::u16string(name) + u"]";
}

platform::HKEY RegistryStore::open_key(platform::HKEY root, TextArg subkey, std::uint32_t access,
                                       bool create) {
    root_ = root;
    subkey_ = text_of(subkey);
    last_error_.clear();
    if (open_key_ != platform::HKEY::none) close_key();
    const CName path(subkey);
    platform::HKEY key = platform::HKEY::none;
    if (platform::reg_open_key(root, path.get(), access, &key) == platform::RegError::success)
        return open_key_ = key;
    if (create &&
        platform::reg_create_key(root, path.get(), platform::KEY_READ | platform::KEY_WRITE,
                                 &key) == platform::RegError::success)
        return open_key_ = key;
    last_error_ = std::u16string(kRegCannotOpenKey) + subkey_;
    return platform::HKEY::none;
}

std::uint32_t RegistryStore::check_value_type(TextArg name, std::uint32_t expected) {
    value_name_ = text_of(name);
    value_type_ = 0;
    value_size_ = 0;
    const CName value(name);
    if (platform::reg_query_value(open_key_, value.get(), &value_type_, nullptr, &value_size_) !=
        platform::RegError::success) {
        fail(kRegNoSuchValue, value_name_);
        close_key();
        return value_type_;
    }
    if ((expected == platform::REG_DWORD || expected == platform::REG_SZ) &&
        value_type_ != expected) {
        fail(expected == platform::REG_DWORD ? kRegNotDword : kRegNotText, value_name_);
        close_key();
    }
    return value_type_;
}

bool RegistryStore::close_key() {
    if (open_key_ != platform::HKEY::none) platform::reg_close_key(open_key_);
    open_key_ = platform::HKEY::none;
    return true;
}

std::int32_t RegistryStore::get_int(platform::HKEY root, TextArg subkey, TextArg name,
                                    std::int32_t default_value) {
    if (open_key(root, subkey, platform::KEY_QUERY_VALUE, false) == platform::HKEY::none)
        return default_value;
    if (check_value_type(name, platform::REG_DWORD) != platform::REG_DWORD) return default_value;
    // The buffer is the integer itself, whatever size the value claims: a longer value fails
    // with more_data instead of writing past it.
    std::array<std::uint8_t, 4> bytes{};
    std::uint32_t size = bytes.size();
    const CName value(name);
    const bool read = platform::reg_query_value(open_key_, value.get(), nullptr, bytes.data(),
                                                &size) == platform::RegError::success;
    close_key();
    if (!read) return default_value;
    return static_cast<std::int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                     static_cast<std::uint32_t>(bytes[3]) << 24);
}

std::u16string RegistryStore::get_string(platform::HKEY root, TextArg subkey, TextArg name,
                                         TextArg default_value) {
    if (open_key(root, subkey, platform::KEY_QUERY_VALUE, false) == platform::HKEY::none)
        return text_of(default_value);
    if (check_value_type(name, platform::REG_SZ) != platform::REG_SZ) return text_of(default_value);
    // Room for an odd byte and a terminating zero the stored text may lack.
    std::u16string buffer(value_size_ / 2 + 2, char16_t{0});
    auto size = static_cast<std::uint32_t>(buffer.size() * 2);
    const CName value(name);
    const bool read = platform::reg_query_value(open_key_, value.get(), nullptr,
                                                reinterpret_cast<std::uint8_t*>(buffer.data()),
                                                &size) == platform::RegError::success;
    close_key();
    if (!read) return text_of(default_value);
    return std::u16string(up_to_zero(buffer));
}

bool RegistryStore::write_int(platform::HKEY root, TextArg subkey, TextArg name,
                              std::int32_t value) {
    if (open_key(root, subkey, platform::KEY_SET_VALUE, true) == platform::HKEY::none) return false;
    const auto bits = static_cast<std::uint32_t>(value);
    const std::array<std::uint8_t, 4> bytes{
        static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
        static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
    const CName value_name(name);
    const bool written =
        platform::reg_set_value(open_key_, value_name.get(), platform::REG_DWORD, bytes.data(),
                                bytes.size()) == platform::RegError::success;
    close_key();
    if (!written) fail(kRegCannotWrite, text_of(name));
    return written;
}

bool RegistryStore::write_string(platform::HKEY root, TextArg subkey, TextArg name, TextArg value) {
    if (open_key(root, subkey, platform::KEY_SET_VALUE, true) == platform::HKEY::none) return false;
    if (!name) {
        const std::u16string path = text_of(subkey);
        return delete_key(root, parent_key(path), leaf_key(path));
    }
    if (!value) return delete_value(root, subkey, name);
    // Stored with its terminating zero, as the platform stores texts.
    std::u16string text(up_to_zero(*value));
    text.push_back(0);
    const CName value_name(name);
    const bool written = platform::reg_set_value(open_key_, value_name.get(), platform::REG_SZ,
                                                 reinterpret_cast<const std::uint8_t*>(text.data()),
                                                 static_cast<std::uint32_t>(text.size() * 2)) ==
                         platform::RegError::success;
    close_key();
    if (!written) fail(kRegCannotWrite, *name);
    return written;
}

bool RegistryStore::delete_value(platform::HKEY root, TextArg subkey, TextArg name) {
    if (!subkey || !name) return false;
    if (open_key(root, subkey, platform::KEY_SET_VALUE, false) == platform::HKEY::none)
        return false;
    value_name_ = text_of(name);
    const CName value_name(name);
    const bool deleted =
        platform::reg_delete_value(open_key_, value_name.get()) == platform::RegError::success;
    close_key();
    if (!deleted) fail(kRegCannotDeleteValue, value_name_);
    return deleted;
}

bool RegistryStore::delete_key(platform::HKEY root, TextArg subkey, TextArg child) {
    if (!subkey || !child) return false;
    if (open_key(root, subkey, platform::KEY_SET_VALUE, false) == platform::HKEY::none)
        return false;
    value_name_.clear();
    const CName child_name(child);
    const bool deleted =
        platform::reg_delete_key(open_key_, child_name.get()) == platform::RegError::success;
    close_key();
    if (!deleted) fail(kRegCannotDeleteKey, *child);
    return deleted;
}

bool RegistryStore::enum_names(platform::HKEY root, TextArg subkey,
                               std::vector<std::u16string>& list, bool keys) {
    list.clear();
    if (!subkey) return false;
    if (open_key(root, subkey, platform::KEY_READ, false) == platform::HKEY::none) return false;
    std::array<char16_t, 1024> name{};
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t length = name.size();
        const platform::RegError result =
            keys ? platform::reg_enum_key(open_key_, index, name.data(), &length)
                 : platform::reg_enum_value(open_key_, index, name.data(), &length);
        if (result != platform::RegError::success) break;
        list.emplace_back(name.data(), length);
    }
    close_key();
    return true;
}

bool RegistryStore::enum_keys(platform::HKEY root, TextArg subkey,
                              std::vector<std::u16string>& list) {
    return enum_names(root, subkey, list, true);
}

bool RegistryStore::enum_values(platform::HKEY root, TextArg subkey,
                                std::vector<std::u16string>& list) {
    return enum_names(root, subkey, list, false);
}

// ---- typed values, through the codecs of settings/typed_value_format.h ----

EntryStore RegistryStore::entries(platform::HKEY root, TextArg subkey) {
    return {[this, root, subkey](std::u16string_view name, std::u16string_view default_text) {
                return get_string(root, subkey, name, default_text);
            },
            [this, root, subkey](std::u16string_view name, std::u16string_view text) {
                return write_string(root, subkey, name, text);
            },
            [this, root, subkey](std::u16string_view name, std::int32_t default_value) {
                return get_int(root, subkey, name, default_value);
            },
            [this, root, subkey](std::u16string_view name, std::int32_t value) {
                return write_int(root, subkey, name, value);
            }};
}

std::int64_t RegistryStore::get_int64(platform::HKEY root, TextArg subkey, TextArg name,
                                      std::int64_t default_value) {
    // The decimal text is read (and kept for other readers) but the halves decide the value.
    read_typed(entries(root, subkey), name.value_or(u""), kInt64Decimal, default_value);
    return get_hilo(root, subkey, name, default_value);
}

bool RegistryStore::write_int64(platform::HKEY root, TextArg subkey, TextArg name,
                                std::int64_t value) {
    write_typed(entries(root, subkey), name.value_or(u""), kInt64Decimal, value);
    return write_hilo(root, subkey, name, value);
}

std::int64_t RegistryStore::get_hilo(platform::HKEY root, TextArg subkey, TextArg name,
                                     std::int64_t default_value) {
    return subkey && name ? read_halves(entries(root, subkey), *name, default_value)
                          : default_value;
}

bool RegistryStore::write_hilo(platform::HKEY root, TextArg subkey, TextArg name,
                               std::int64_t value) {
    return subkey && name && write_halves(entries(root, subkey), *name, value);
}

double RegistryStore::get_float(platform::HKEY root, TextArg subkey, TextArg name,
                                double default_value) {
    return read_typed(entries(root, subkey), name.value_or(u""), kFloatPrecise, default_value);
}

bool RegistryStore::write_float(platform::HKEY root, TextArg subkey, TextArg name, double value) {
    return write_typed(entries(root, subkey), name.value_or(u""), kFloatPrecise, value);
}

Rect RegistryStore::get_rect(platform::HKEY root, TextArg subkey, TextArg name,
                             Rect default_value) {
    return read_typed(entries(root, subkey), name.value_or(u""), kRectQuoted, default_value);
}

bool RegistryStore::write_rect(platform::HKEY root, TextArg subkey, TextArg name, Rect value) {
    return write_typed(entries(root, subkey), name.value_or(u""), kRectQuoted, value);
}

Point RegistryStore::get_point(platform::HKEY root, TextArg subkey, TextArg name,
                               Point default_value) {
    return read_typed(entries(root, subkey), name.value_or(u""), kPointQuoted, default_value);
}

bool RegistryStore::write_point(platform::HKEY root, TextArg subkey, TextArg name, Point value) {
    return write_typed(entries(root, subkey), name.value_or(u""), kPointQuoted, value);
}

}  // namespace vermark
