// The agent text every request of the update check carries, and the environment description
// the main dialog appends to its caption: the program's name and version, the system's version,
// how the program was built, the screen scaling and the user's name.
#pragma once

#include <functional>
#include <string>

#include "update/text_helpers.h"

namespace vermark {

// name + " " + os_version_text + " " + program_version_text + build_flags_text +
// vc_version_text + msc_version_text + dpi_text + " " + user name. Built on the first call and
// kept for the rest of the run.
std::u16string user_agent_text();

// " " + program_version_text + msc_version_text + dpi_text.
std::u16string environment_description();

// The caption followed by " " and `suffix`, or by the environment description's pieces when
// `suffix` is empty.
std::u16string caption_with_suffix(std::u16string_view caption, std::u16string_view suffix);

// "Windows NT " + major version + " (" + full version + ")", the versions being the kernel's.
std::u16string os_version_text();

// The kernel's dotted version: "6.1.0" for the release "6.1.0-18-amd64".
std::u16string windows_product_version();

// "(running file name)" when it differs from the version resource's name, then
// " Ver." + file version + " " when the program has a file version.
std::u16string program_version_text();

// " WOW64 " for a 32-bit process on a 64-bit system, then " UNICODE  AFXDLL  Win 400 ".
std::u16string build_flags_text();

// " VC 6 " and " MSC 12 ": the build constants of the program.
std::u16string vc_version_text();
std::u16string msc_version_text();

// "  DPI " + scaling percent + "%" for the main window's screen; empty at 96 dots per inch.
std::u16string dpi_text();

// Dots per inch of the main window's screen, as the source set by the dialog reports it;
// 96 while there is no window.
double window_dpi();
void set_main_window_dpi_source(std::function<double()> source);

// Forgets the agent text built so far (for tests of its caching).
void reset_user_agent_text();

}  // namespace vermark
