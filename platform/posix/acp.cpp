#include "platform/acp.h"

#include <stdlib.h>

#include <string_view>

namespace vermark::platform {
namespace {

// The locale the C library would pick for character types: LC_ALL, then LC_CTYPE, then LANG.
std::string_view ctype_locale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = ::getenv(name);
        if (value && *value) return value;
    }
    return {};
}

bool is_japanese(std::string_view locale) {
    if (locale.starts_with("ja_JP")) return true;
    return locale == "ja" || locale.starts_with("ja.") || locale.starts_with("ja@");
}

}  // namespace

unsigned active_code_page() {
    return is_japanese(ctype_locale()) ? 932 : 1252;
}

}  // namespace vermark::platform
