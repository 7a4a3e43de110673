// The daily update check: where the page is (the update check's own settings file), whether a
// check is due today, the check itself, and the count that decides whether the page is opened.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "util/path.h"

namespace vermark {

// The host the page is fetched from when the settings name none. It lies under a domain
// reserved for examples, so an unconfigured program never reaches anybody's real server.
inline constexpr std::u16string_view kDefaultUpdateServer = u"update.vermark.example";
inline constexpr std::u16string_view kDefaultUpdatePath = u"r_Utile/download/";

// "//" + host + "/" + path from the settings, without scheme or trailing separator.
std::u16string update_page_name();

// True when the local copy of the page was not modified today (or does not exist) and no check
// of the page failed today.
bool update_check_due(std::u16string_view page);

// Keeps the previous copy, downloads the page and compares; true when it changed. A download
// that brings nothing is noted, so that the check is not due again until tomorrow.
bool check_for_update(std::u16string_view page);

// "update count" as a decimal integer (default 3; 0 when not a number).
long update_count();

// A setting of the update check. The reader is chosen on the first call of the run: the
// platform's profile function when "Preference"/"is_GPPS" is exactly "1" (the default), this
// module's own INI reader otherwise.
std::u16string read_update_setting(std::u16string_view section, std::u16string_view key,
                                   std::u16string_view default_value);

// Forgets the reader choice, so that the next setting read chooses again (for tests).
void reset_update_setting_reader();

// The value of the first line of the section whose key starts with `key` (ignoring case) and
// holds "=": the text after the "=", trimmed, without one pair of matching quotes. The default
// when the file, section or key is missing.
std::u16string read_ini_value(std::u16string_view file, std::u16string_view section,
                              std::u16string_view key, std::u16string_view default_value);

// (first, end) line indexes of the last "[section]" block (header matched ignoring case, up to
// the next "[...]" line); (-1, -1) when there is none. Empty and ";" lines are passed over.
std::pair<int, int> find_ini_section(const StringList& lines, std::u16string_view section);

// <common documents>/Temp/r_Utile/_Setting/r_Utile.ini
std::u16string update_settings_path();

}  // namespace vermark
