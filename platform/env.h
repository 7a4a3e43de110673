// Environment variables as wide text.
#pragma once

#include <string>
#include <string_view>

namespace vermark::platform {

// The variable's value; empty when it is unset (or set empty).
std::u16string environment_variable(std::string_view name);

// VERMARK_HOME without a trailing separator; empty when unset. When set, every place the program
// keeps its own files (documents, settings, temporary files, logs, registry stand-in) lies in it.
std::u16string vermark_home();

}  // namespace vermark::platform
