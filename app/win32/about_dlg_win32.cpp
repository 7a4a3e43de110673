#include "app/win32/about_dlg_win32.h"

#include <cstdio>

#include "app/win32/resource.h"
#include "app/win32/win32_text.h"
#include "settings/version_info.h"
#include "util/path.h"

namespace {

constexpr std::u16string_view kVersionSeparator = u"  Version ";

// "1, 0, 2023, 921" -> "1.0.2023.921".
std::u16string dotted_version(const std::u16string& text) {
    std::u16string dotted;
    for (char16_t c : text) {
        if (c == u' ') continue;
        dotted.push_back(c == u',' ? u'.' : c);
    }
    return dotted;
}

BOOL on_init_dialog(HWND dialog) {
    if (!IsWindow(dialog)) return TRUE;
    const std::u16string path = vermark::get_arv();
    if (path.empty()) {
        std::fputs("::get_arv() ... empty\n", stderr);
        return TRUE;
    }
    vermark::VersionInfo info(path);
    SetDlgItemTextW(dialog, IDC_ABOUT_COPYRIGHT, vermark::win32::wide(info.legal_copyright()));
    const std::u16string version = info.file_description() + std::u16string(kVersionSeparator) +
                                   dotted_version(info.file_version());
    SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, vermark::win32::wide(version));
    return TRUE;
}

INT_PTR CALLBACK about_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return on_init_dialog(dialog);
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wparam));
                return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

INT_PTR run_about_box(HWND owner) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUTBOX), owner,
                           about_proc, 0);
}
