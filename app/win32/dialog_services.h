// The services the Win32 dialog takes from the rest of the program beyond inspection, stamping,
// the drawing reader and the message box (which it calls directly): the start-up and shut-down
// hooks and the name of a file's cached picture. dialog_services_core.cpp provides them from the
// core; stopgap/dialog_services_stopgap.cpp in a reduced form while the Windows core is missing.
#pragma once

#include <string>

// The window handle of windows.h, declared so that this header can be included before it (the
// core's headers must come first).
struct HWND__;

namespace vermark::win32 {

using WindowHandle = HWND__*;

// Start-up hook A: the daily update check (opening the update page when it asks for it), then
// the caption extended by the environment description.
void run_update_check_and_caption(WindowHandle dialog);

// Start-up hook B and the shut-down hook: the placement stored as "CVermarkDlg" in the settings.
void restore_dialog_placement(WindowHandle dialog);
void save_dialog_placement(WindowHandle dialog);

// The full path of the cached picture of `path`; empty when there is no cache.
std::u16string cached_picture_path(const std::u16string& path);

}  // namespace vermark::win32
