// The system "ANSI" code page: 932 when the locale of the environment (LC_ALL, else LC_CTYPE,
// else LANG) is Japanese ("ja_JP..." or "ja"), else 1252.
#pragma once

namespace vermark::platform {

unsigned active_code_page();

}  // namespace vermark::platform
