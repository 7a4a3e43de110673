// Where INI files named without a folder live: a shared settings folder under the common
// documents folder, which a registry value can replace, below a registry key whose name can
// itself be redirected. Both choices are recorded back into the registry each time they are
// made, so a person looking there sees which names are in use.
#pragma once

#include <string>
#include <string_view>

namespace vermark {

// The product-family word: default registry base and folder name.
inline constexpr std::u16string_view kFamilyName = u"r_Utile";
// Registry values: the folder override, the folder record and the base record. The records'
// names hold one blank before the は.
inline constexpr std::u16string_view kIniFullBaseValue = u"IniFullBase";
inline constexpr std::u16string_view kIniFullBaseRecord = u"IniFullBase は";
inline constexpr std::u16string_view kRegKeyBaseRecord = u"RegKey_Base は";

// The registry base name, normally "r_Utile": the default value of the key "Software\r_Utile"
// when that holds a text. Computed once per run; recorded as "RegKey_Base は" under that key.
std::u16string registry_base();

// The folder for INI files named without a folder, without a trailing separator: the
// "IniFullBase" value under "Software\<base>\r_Utile" when set, else
// <common documents>/r_Utile/_Setting when that exists, else <common documents>/Temp/r_Utile/
// _Setting (created). Recorded as "IniFullBase は" on every call.
std::u16string settings_base_folder();

// Joins two path parts with one separator after removing every leading and trailing separator
// of both; an empty part vanishes.
std::u16string join_path(std::u16string_view a, std::u16string_view b);

// Removes one leading "\" or "/".
std::u16string trim_leading_separator(std::u16string_view text);

// Forgets the computed registry base (tests run many program starts in one process).
void reset_registry_base();

}  // namespace vermark
