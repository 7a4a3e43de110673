// What the main dialog runs before it first shows: the daily update check (opening the page in
// the browser when the settings ask for it) and its caption with the environment description.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vermark {

// Opens an address in the user's browser; true when it was opened.
using PageOpener = std::function<bool(std::u16string_view address)>;

// When a check is due: runs it, then opens "https:" + page with `open_page` when "update count"
// is above 5. Returns whether the page was opened. Nothing runs (and no count is read) when the
// page's copy is from today.
bool run_daily_update_check(const PageOpener& open_page);

// The dialog's caption once the update check has run: the template caption, " ", then the
// program version, compiler and scaling pieces.
std::u16string startup_caption(std::u16string_view template_caption);

}  // namespace vermark
