// The main dialog as the placement logic (settings/window_placement.h) sees it, through the
// Win32 window, monitor and DPI calls; and the DPI the caption's environment text reports.
#pragma once

#include <memory>

#include "settings/window_placement.h"

// The window handle of windows.h, declared so that this header can come before it: the core's
// names (SW_SHOWNORMAL, HKEY_CURRENT_USER, ...) are macros there.
struct HWND__;

namespace vermark::win32 {

// Dots per inch of the monitor the window is on; 96 when the system cannot say.
int dpi_of(HWND__* window);

// The dialog's window. It has no runtime class of its own, so it is stored under the framework
// dialog's name.
std::unique_ptr<PlacementWindow> placement_window(HWND__* window);

// The monitors and their work areas.
const Screens& system_screens();

}  // namespace vermark::win32
