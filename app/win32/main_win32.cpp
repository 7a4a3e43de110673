// vermark-gui.exe: runs the main dialog; files named on the command line are loaded as if
// dropped.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/win32/vermark_dlg_win32.h"
#include "app/win32/win32_text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    std::vector<std::u16string> paths;
    int count = 0;
    if (LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i) paths.push_back(vermark::win32::from_wide(arguments[i]));
        LocalFree(arguments);
    }
    CVermarkDlg dialog;
    dialog.DoModal(std::move(paths));
    return 0;
}
