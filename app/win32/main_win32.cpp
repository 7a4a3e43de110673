// vermark-gui.exe: makes the settings file the profile and runs the main dialog; files named on
// the command line are loaded as if dropped.
#include <chrono>
#include <string>
#include <vector>

#include "app/dialog/background_work.h"
#include "app/dialog/startup_hooks.h"
#include "platform/process.h"
#include "platform/shell_link.h"
#include "util/path.h"

// After the core's headers, whose names windows.h would turn into macros.
#include "app/win32/vermark_dlg_win32.h"
#include "app/win32/win32_text.h"
// After windows.h, which they need.
#include <commctrl.h>
#include <shellapi.h>

namespace {

// How long a copy still being written when the window closed may take to finish.
constexpr std::chrono::seconds kExitWaitLimit{10};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    // The program's own path heads the saved argument list, as the path helpers expect.
    vermark::StringList saved{vermark::platform::executable_path()};
    std::vector<std::u16string> paths;
    int count = 0;
    if (LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i) {
            const std::u16string argument = vermark::win32::from_wide(arguments[i]);
            saved.push_back(argument);
            if (argument.empty()) continue;
            // Absolute, so that the copy goes beside the file whatever the working folder.
            const std::u16string full = vermark::platform::long_path_name(argument);
            paths.push_back(full.empty() ? argument : full);
        }
        LocalFree(arguments);
    }
    vermark::set_saved_arguments(std::move(saved));
    vermark::install_settings_profile();
    {
        CVermarkDlg dialog;
        dialog.DoModal(std::move(paths));
    }
    // The window is gone, so the loads hand nothing back; a copy being written is finished.
    vermark::wait_for_background_work(kExitWaitLimit);
    return 0;
}
