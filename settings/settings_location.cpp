#include "settings/settings_location.h"

#include "platform/registry.h"
#include "settings/registry_store.h"
#include "util/folders.h"
#include "util/path.h"

namespace vermark {

namespace {

constexpr std::u16string_view kKeyPrefix = u"Software\\";

struct BaseState {
    std::u16string base;
    bool to_compute = true;
};

BaseState& base_state() {
    static BaseState state;
    return state;
}

// Strips separators at both ends until none is left (bounded, as every loop over input is).
std::u16string without_outer_separators(std::u16string_view part) {
    std::u16string text(part);
    for (int round = 0; round < 10000; ++round) {
        std::u16string next = trim_leading_separator(strip_separator(text));
        if (next == text) break;
        text = std::move(next);
    }
    return text;
}

std::u16string default_settings_folder() {
    const std::u16string docs = ensure_separator(special_folder(platform::CSIDL_COMMON_DOCUMENTS));
    const std::u16string sub = join_path(join_path(u"", kFamilyName), u"_Setting");
    std::u16string folder = docs + sub;
    if (!folder_exists(folder)) folder = docs + u"Temp" + kSeparator + sub;
    if (!folder_exists(strip_separator(folder))) create_folder_chain(folder);
    return folder;
}

}  // namespace

std::u16string trim_leading_separator(std::u16string_view text) {
    if (!text.empty() && is_separator(text.front())) text.remove_prefix(1);
    return std::u16string(text);
}

std::u16string join_path(std::u16string_view a, std::u16string_view b) {
    const std::u16string first = without_outer_separators(a);
    const std::u16string second = without_outer_separators(b);
    if (first.empty() || second.empty()) return first + second;
    return ensure_separator(first) + second;
}

std::u16string registry_base() {
    BaseState& state = base_state();
    if (!state.base.empty() || !state.to_compute) return state.base;
    state.to_compute = false;
    std::u16string base = join_path(u"", kFamilyName);
    const std::u16string key = std::u16string(kKeyPrefix) + base;
    RegistryStore registry;
    const std::u16string redirected =
        registry.get_string(platform::HKEY_CURRENT_USER, key, u"", u"");
    if (!redirected.empty()) base = redirected;
    registry.write_string(platform::HKEY_CURRENT_USER, key, kRegKeyBaseRecord, base);
    state.base = base;
    return base;
}

std::u16string settings_base_folder() {
    std::u16string folder = default_settings_folder();
    const std::u16string key =
        std::u16string(kKeyPrefix) + registry_base() + u"\\" + std::u16string(kFamilyName);
    RegistryStore registry;
    const std::u16string chosen =
        registry.get_string(platform::HKEY_CURRENT_USER, key, kIniFullBaseValue, u"");
    if (!chosen.empty()) folder = chosen;
    registry.write_string(platform::HKEY_CURRENT_USER, key, kIniFullBaseRecord, folder);
    return folder;
}

void reset_registry_base() {
    base_state() = BaseState{};
}

}  // namespace vermark
