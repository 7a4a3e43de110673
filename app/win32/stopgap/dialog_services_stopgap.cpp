// The dialog's services in a reduced form for the build without the Windows core: no update
// check, the caption extended by the file version only, no picture cache, and the placement in
// the same settings file, section and entries as the core writes (its fixed-width form first,
// the quoted form under "_LTRB"), written by the profile functions.
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/win32/dialog_services.h"
#include "app/win32/win32_text.h"

namespace vermark::win32 {
namespace {

constexpr wchar_t kPositionSection[] = L"Position";
constexpr wchar_t kDialogSection[] = L"Position\\Dialog";
constexpr wchar_t kPlacementEntry[] = L"Position_CVermarkDlg_CDialog";
constexpr wchar_t kPlacementEntryLtrb[] = L"Position_CVermarkDlg_CDialog_LTRB";
constexpr wchar_t kProgramVersion[] = L"1.0.2023.921";

std::wstring environment(const wchar_t* name) {
    wchar_t buffer[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableW(name, buffer, DWORD(std::size(buffer)));
    return length > 0 && length < std::size(buffer) ? std::wstring(buffer, length) : L"";
}

// <common documents>\Temp\Tool\_setting\Vermark.ini; VERMARK_HOME\Documents stands for the
// common documents folder when it is set.
std::wstring settings_file() {
    std::wstring documents = environment(L"VERMARK_HOME");
    if (!documents.empty()) {
        documents += L"\\Documents";
    } else {
        wchar_t common[MAX_PATH] = {};
        if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_DOCUMENTS, nullptr, 0, common))) {
            return L"";
        }
        documents = common;
    }
    const std::wstring folder = documents + L"\\Temp\\Tool\\_setting";
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return folder + L"\\Vermark.ini";
}

int window_dpi(HWND window) {
    HDC dc = GetDC(window);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(window, dc);
    return dpi;
}

// A rectangle cut to the area's size and moved inside it.
RECT fit_into(RECT r, const RECT& area) {
    const LONG w = std::min(area.right - area.left, r.right - r.left);
    const LONG h = std::min(area.bottom - area.top, r.bottom - r.top);
    r.left = std::clamp(r.left, area.left, area.right - w);
    r.top = std::clamp(r.top, area.top, area.bottom - h);
    return {r.left, r.top, r.left + w, r.top + h};
}

}  // namespace

void run_update_check_and_caption(WindowHandle dialog) {
    wchar_t caption[512] = {};
    GetWindowTextW(dialog, caption, int(std::size(caption)));
    const std::wstring text = std::wstring(caption) + L" " + kProgramVersion;
    SetWindowTextW(dialog, text.c_str());
}

void restore_dialog_placement(WindowHandle dialog) {
    const std::wstring file = settings_file();
    wchar_t text[128] = {};
    GetPrivateProfileStringW(kDialogSection, kPlacementEntry, L"", text, DWORD(std::size(text)),
                             file.c_str());
    RECT r{};
    if (swscanf(text, L"%ld %ld %ld %ld", &r.left, &r.top, &r.right, &r.bottom) != 4) return;
    if (r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0) return;
    const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(MonitorFromPoint(centre, MONITOR_DEFAULTTONEAREST), &info)) return;
    r = fit_into(r, info.rcWork);
    MoveWindow(dialog, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void save_dialog_placement(WindowHandle dialog) {
    const std::wstring file = settings_file();
    if (file.empty()) return;
    WritePrivateProfileStringW(kPositionSection, L"DPI_",
                               std::to_wstring(window_dpi(dialog)).c_str(), file.c_str());
    if (!dialog || !IsWindow(dialog) || IsIconic(dialog)) return;
    RECT r{};
    GetWindowRect(dialog, &r);
    wchar_t fixed[64] = {};
    swprintf(fixed, std::size(fixed), L"%09ld %09ld %09ld %09ld", r.left, r.top, r.right, r.bottom);
    wchar_t quoted[64] = {};
    swprintf(quoted, std::size(quoted), L"\"%ld %ld %ld %ld\"", r.left, r.top, r.right, r.bottom);
    WritePrivateProfileStringW(kDialogSection, kPlacementEntryLtrb, quoted, file.c_str());
    WritePrivateProfileStringW(kDialogSection, kPlacementEntry, fixed, file.c_str());
}

std::u16string cached_picture_path(const std::u16string&) {
    return {};
}

}  // namespace vermark::win32
