#include "settings/profile_store.h"

#include "diag/log.h"
#include "platform/app_context.h"
#include "platform/profile.h"
#include "platform/tick.h"
#include "settings/registry_store.h"

namespace vermark {

namespace {

// Values longer than this are cut to one character less (the store's read buffer).
constexpr std::uint32_t kStringReadSize = 10000;
constexpr std::uint32_t kCacheLifetimeSeconds = 10;
constexpr std::u16string_view kField = u"\t ";

std::u16string text_of(TextArg arg) {
    return std::u16string(arg.value_or(u""));
}

ProfileProcessState& state() {
    return profile_process_state();
}

}  // namespace

ProfileStore::ProfileStore(std::u16string_view name) {
    const platform::ApplicationObject* application = platform::application_object();
    const bool ini_mode = application == nullptr || !application->registry_key;
    if (!name.empty()) {
        path_ = name;
        if (ini_mode) path_ = prepare_ini_file(path_ + u".ini");
    } else if (application != nullptr) {
        path_ = application->profile_name;
        if (ini_mode) path_ = prepare_ini_file(path_);
    } else {
        path_ = prepare_ini_file(u"");
    }
    if (state().cache_switch_to_read) {
        state().cache_switch =
            get_int(kCacheSwitchSection, kCacheSwitchEntry, state().cache_switch);
        if (!name.empty()) state().cache_switch_to_read = false;
    }
    write_back_ = get_int(kDebugSection, kDebugWriteEntry, 0);
    log_ = get_int(kDebugSection, kDebugLogEntry, 0);
}

bool ProfileStore::registry_mode() const {
    const platform::ApplicationObject* application = platform::application_object();
    return application != nullptr && application->registry_key.has_value();
}

std::int32_t ProfileStore::get_int(TextArg section, TextArg entry, std::int32_t default_value) {
    if (!section || !entry) return default_value;
    const std::int32_t value = read_int_raw(section, entry, default_value);
    if (write_back_) write_int(section, entry, value);
    return value;
}

bool ProfileStore::write_int(TextArg section, TextArg entry, std::int32_t value) {
    if (!section || !entry) return false;
    return write_int_raw(section, entry, value);
}

std::u16string ProfileStore::get_string(TextArg section, TextArg entry, TextArg default_value) {
    if (!section || !entry) return text_of(default_value);
    std::u16string value = read_string_raw(section, entry, default_value);
    if (write_back_) write_string(section, entry, value);
    return value;
}

bool ProfileStore::write_string(TextArg section, TextArg entry, TextArg value) {
    if (!section) return false;
    return write_string_raw(section, entry, value);
}

bool ProfileStore::write_int_if_absent(TextArg section, TextArg entry, std::int32_t value) {
    // The first read may cache `value` itself, which the two probes then see: with the cache on,
    // an absent entry is not written.
    get_int(section, entry, value);
    const bool absent = get_int(section, entry, 0) == 0 && get_int(section, entry, 1) == 1;
    return absent ? write_int(section, entry, value) : false;
}

bool ProfileStore::write_string_if_absent(TextArg section, TextArg entry, TextArg value) {
    get_string(section, entry, value);
    const bool absent =
        get_string(section, entry, u"0") == u"0" && get_string(section, entry, u"1") == u"1";
    return absent ? write_string(section, entry, value) : false;
}

std::int32_t ProfileStore::read_int_raw(TextArg section, TextArg entry,
                                        std::int32_t default_value) {
    if (!section || !entry) return default_value;
    const int hit = cache_find(state().int_cache, section, entry);
    if (hit >= 0) return state().int_cache[static_cast<std::size_t>(hit)].int_value();
    if (platform::application_object() == nullptr)
        return static_cast<std::int32_t>(
            platform::GetPrivateProfileIntW(*section, *entry, default_value, path_));
    std::int32_t value = 0;
    if (registry_mode()) {
        value = RegistryStore().get_int(platform::HKEY_CURRENT_USER,
                                        store_registry_path(path_, *section), entry, default_value);
    } else {
        value = static_cast<std::int32_t>(
            platform::GetPrivateProfileIntW(*section, *entry, default_value, path_));
    }
    cache_put_int(section, entry, value);
    log_read(u"GetInt", *section, *entry, int_to_text(default_value, 10), int_to_text(value, 10));
    return value;
}

std::u16string ProfileStore::read_string_raw(TextArg section, TextArg entry,
                                             TextArg default_value) {
    if (!section || !entry) return text_of(default_value);
    const int hit = cache_find(state().text_cache, section, entry);
    if (hit >= 0) return state().text_cache[static_cast<std::size_t>(hit)].text_value();
    std::u16string value;
    if (registry_mode()) {
        value =
            RegistryStore().get_string(platform::HKEY_CURRENT_USER,
                                       store_registry_path(path_, *section), entry, default_value);
    } else {
        std::u16string buffer(kStringReadSize + 1, u'\0');
        const std::uint32_t length = platform::GetPrivateProfileStringW(
            *section, *entry, default_value, buffer.data(), kStringReadSize, path_);
        value = buffer.substr(0, length);
        if (platform::application_object() == nullptr) return value;
    }
    cache_put_string(section, entry, value);
    log_read(u"GetStr", *section, *entry, text_of(default_value), value);
    return value;
}

bool ProfileStore::write_int_raw(TextArg section, TextArg entry, std::int32_t value) {
    if (!section || !entry) return false;
    cache_put_int(section, entry, value);
    if (registry_mode())
        return RegistryStore().write_int(platform::HKEY_CURRENT_USER,
                                         store_registry_path(path_, *section), entry, value);
    create_missing_ini_file(path_);
    return platform::WritePrivateProfileStringW(*section, *entry, int_to_text(value, 10), path_);
}

bool ProfileStore::write_string_raw(TextArg section, TextArg entry, TextArg value) {
    if (!section) return false;
    cache_put_string(section, entry, value);
    if (registry_mode())
        return RegistryStore().write_string(platform::HKEY_CURRENT_USER,
                                            store_registry_path(path_, *section), entry, value);
    if (entry && value) create_missing_ini_file(path_);  // a deletion creates nothing
    return platform::WritePrivateProfileStringW(*section, entry, value, path_);
}

void ProfileStore::log_read(std::u16string_view kind, std::u16string_view section,
                            std::u16string_view entry, std::u16string_view default_text,
                            std::u16string_view value_text) const {
    if (!log_ || kRunningInsideDll) return;
    std::u16string line(kind);
    for (std::u16string_view field :
         {std::u16string_view(path_), section, entry, default_text, value_text}) {
        line += kField;
        line += field;
    }
    log_line(line);
}

int ProfileStore::cache_find(ProfileCache& cache, TextArg section, TextArg entry) {
    if (state().cache_switch == 0 || !section || !entry) return -1;
    for (std::size_t i = 0; i < cache.size(); ++i) {
        ProfileCacheEntry& candidate = cache[i];
        if (platform::profile_names_equal(candidate.path(), path_) &&
            platform::profile_names_equal(candidate.section(), *section) &&
            platform::profile_names_equal(candidate.entry(), *entry)) {
            candidate.count_hit();
            return static_cast<int>(i);
        }
    }
    return -1;
}

void ProfileStore::cache_put_int(TextArg section, TextArg entry, std::int32_t value) {
    if (state().cache_switch == 0) return;
    cache_tick();
    ProfileCache& cache = state().int_cache;
    const int hit = cache_find(cache, section, entry);
    if (hit >= 0) {
        cache[static_cast<std::size_t>(hit)].set_int_value(value);
        return;
    }
    cache.emplace_back(path_, text_of(section), text_of(entry), value, std::u16string());
}

void ProfileStore::cache_put_string(TextArg section, TextArg entry, TextArg value) {
    if (state().cache_switch == 0) return;
    cache_tick();
    ProfileCache& cache = state().text_cache;
    const int hit = cache_find(cache, section, entry);
    if (hit >= 0) {
        cache[static_cast<std::size_t>(hit)].set_text_value(text_of(value));
        return;
    }
    cache.emplace_back(path_, text_of(section), text_of(entry), 0, text_of(value));
}

void ProfileStore::cache_tick() {
    const std::uint32_t now = platform::GetTickCount() / 1000;
    if (now - state().last_flush_seconds <= kCacheLifetimeSeconds) return;
    state().last_flush_seconds = now;
    cache_flush(state().int_cache, log_ != 0);
    cache_flush(state().text_cache, log_ != 0);
}

std::u16string store_registry_path(std::u16string_view profile, std::u16string_view section) {
    const platform::ApplicationObject* application = platform::application_object();
    if (application == nullptr) return std::u16string(section);
    std::u16string key(u"Software\\");
    key += application->registry_key.value_or(u"");
    key += u'\\';
    key += profile;
    key += u'\\';
    key += section;
    return key;
}

}  // namespace vermark
