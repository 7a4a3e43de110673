#include "platform/env.h"

#include <stdlib.h>

#include <string>

#include "platform/wide.h"

namespace vermark::platform {

std::u16string environment_variable(std::string_view name) {
    const char* value = ::getenv(std::string(name).c_str());
    return value ? from_utf8(value) : std::u16string();
}

std::u16string vermark_home() {
    std::u16string home = environment_variable("VERMARK_HOME");
    while (home.size() > 1 && home.back() == u'/') home.pop_back();
    return home;
}

}  // namespace vermark::platform
