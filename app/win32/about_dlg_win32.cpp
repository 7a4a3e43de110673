#include "app/win32/about_dlg_win32.h"

#include <cstdio>

#include "app/dialog/about_text.h"
#include "app/win32/resource.h"
#include "app/win32/win32_text.h"
#include "util/path.h"

namespace {

BOOL on_init_dialog(HWND dialog) {
    if (!IsWindow(dialog)) return TRUE;
    const std::u16string path = vermark::get_arv();
    if (path.empty()) {
        std::fputs("::get_arv() ... empty\n", stderr);
        return TRUE;
    }
    const vermark::AboutTexts texts = vermark::about_texts(path);
    SetDlgItemTextW(dialog, IDC_ABOUT_COPYRIGHT, vermark::win32::wide(texts.copyright));
    SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, vermark::win32::wide(texts.version));
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
