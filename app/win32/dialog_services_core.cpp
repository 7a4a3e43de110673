// The dialog's services from the core: the update check and caption of the start-up, and the
// placement kept in the settings file, seen through the Win32 window and monitor calls.
#include "app/preview_cache.h"
#include "app/win32/dialog_services.h"
#include "app/win32/win32_text.h"
#include "diag/shell_launcher.h"
#include "settings/profile_store.h"
#include "settings/window_placement.h"
#include "update/startup_check.h"
#include "update/u_agent.h"

// The core's registry names (HKEY_CURRENT_USER, REG_SZ, ...) are macros in windows.h: the
// Windows headers come after the core's.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

namespace vermark::win32 {
namespace {

constexpr std::u16string_view kPlacementName = u"CVermarkDlg";
constexpr int kDefaultDpi = 96;

Rect rect_of(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

int dpi_of(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
        if (auto get_dpi = reinterpret_cast<GetDpiForWindowFn>(
                reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))) {
            if (const UINT dpi = get_dpi(window)) return int(dpi);
        }
    }
    HDC dc = GetDC(window);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : kDefaultDpi;
    if (dc) ReleaseDC(window, dc);
    return dpi;
}

// The dialog as the placement logic sees it. The dialog has no runtime class of its own, so it
// is stored under the framework dialog's name.
class Win32PlacementWindow : public PlacementWindow {
  public:
    explicit Win32PlacementWindow(HWND window) : window_(window) {}

    bool has_handle() const override { return window_ && IsWindow(window_); }
    std::u16string class_name() const override { return u"CDialog"; }
    int dpi() const override { return dpi_of(window_); }
    Rect window_rect() const override {
        RECT r{};
        GetWindowRect(window_, &r);
        return rect_of(r);
    }
    bool is_iconic() const override { return IsIconic(window_) != FALSE; }
    WindowPlacement placement() const override {
        WINDOWPLACEMENT wp{};
        wp.length = sizeof(wp);
        GetWindowPlacement(window_, &wp);
        WindowPlacement placement;
        placement.flags = wp.flags;
        placement.show_command = wp.showCmd;
        placement.min_position = {wp.ptMinPosition.x, wp.ptMinPosition.y};
        placement.max_position = {wp.ptMaxPosition.x, wp.ptMaxPosition.y};
        placement.normal_rect = rect_of(wp.rcNormalPosition);
        return placement;
    }
    void move(const Rect& r) override {
        MoveWindow(window_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
    void set_placement(const WindowPlacement& placement) override {
        WINDOWPLACEMENT wp{};
        wp.length = sizeof(wp);
        wp.flags = placement.flags;
        wp.showCmd = placement.show_command;
        wp.ptMinPosition = {placement.min_position.x, placement.min_position.y};
        wp.ptMaxPosition = {placement.max_position.x, placement.max_position.y};
        const Rect& r = placement.normal_rect;
        wp.rcNormalPosition = {r.left, r.top, r.right, r.bottom};
        SetWindowPlacement(window_, &wp);
    }

  private:
    HWND window_;
};

class Win32Screens : public Screens {
  public:
    int count() const override { return GetSystemMetrics(SM_CMONITORS); }
    Point primary_size() const override {
        return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    Rect primary_work_area() const override {
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        return rect_of(work);
    }
    std::optional<MonitorInfo> nearest_monitor(Point point) const override {
        HMONITOR monitor = MonitorFromPoint({point.x, point.y}, MONITOR_DEFAULTTONEAREST);
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        if (!monitor || !GetMonitorInfoW(monitor, &info)) return std::nullopt;
        return MonitorInfo{rect_of(info.rcMonitor), rect_of(info.rcWork),
                           (info.dwFlags & MONITORINFOF_PRIMARY) != 0};
    }
    int desktop_dpi() const override { return dpi_of(GetDesktopWindow()); }
    Point border_size() const override {
        return {GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER)};
    }
};

// The shell-execute wrapper with the launch made by ShellExecuteExW; its failures are reported
// by the wrapper's message box as any other launch's.
class ShellExecuteExLauncher : public ShellLauncher {
  protected:
    int launch(const std::optional<std::u16string>& file,
               const std::optional<std::u16string>& parameters) override {
        const std::u16string verb_text = verb().value_or(u"");
        const std::u16string file_text = file.value_or(u"");
        const std::u16string parameter_text = parameters.value_or(u"");
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
        info.lpVerb = verb() ? wide(verb_text) : nullptr;
        info.lpFile = wide(file_text);
        info.lpParameters = parameters ? wide(parameter_text) : nullptr;
        info.nShow = show();
        ShellExecuteExW(&info);
        return int(reinterpret_cast<INT_PTR>(info.hInstApp));
    }
};

bool open_page(std::u16string_view address) {
    ShellExecuteExLauncher launcher;
    launcher.set_verb(u"open");
    launcher.set_file(address);
    return launcher.execute();
}

std::u16string window_text(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(std::size_t(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    return from_wide(text.c_str());
}

}  // namespace

void run_update_check_and_caption(HWND dialog) {
    set_main_window_dpi_source([dialog] { return double(dpi_of(dialog)); });
    run_daily_update_check(open_page);
    const std::u16string caption = startup_caption(window_text(dialog));
    SetWindowTextW(dialog, wide(caption));
}

void restore_dialog_placement(HWND dialog) {
    ProfileStore store(u"");
    Win32PlacementWindow window(dialog);
    vermark::restore_dialog_placement(store, &window, kPlacementName, Win32Screens());
}

void save_dialog_placement(HWND dialog) {
    ProfileStore store(u"");
    Win32PlacementWindow window(dialog);
    vermark::save_dialog_placement(store, &window, kPlacementName, std::nullopt, Win32Screens());
}

std::u16string cached_picture_path(const std::u16string& path) {
    return preview_cache_path(path);
}

}  // namespace vermark::win32
