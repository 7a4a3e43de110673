#include "app/win32/placement_win32.h"

// After the core's headers, whose names windows.h would turn into macros.
#include <windows.h>

namespace vermark::win32 {
namespace {

constexpr int kDefaultDpi = 96;

Rect rect_of(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

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

}  // namespace

int dpi_of(HWND window) {
    // GetDpiForWindow exists from Windows 10 on; older systems give the screen's DPI.
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
    return dpi > 0 ? dpi : kDefaultDpi;
}

std::unique_ptr<PlacementWindow> placement_window(HWND window) {
    return std::make_unique<Win32PlacementWindow>(window);
}

const Screens& system_screens() {
    static const Win32Screens screens;
    return screens;
}

}  // namespace vermark::win32
