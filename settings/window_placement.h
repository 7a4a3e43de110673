// Windows reopen where the user left them. Dialogs keep their screen rectangle per dialog name,
// main frames their normal rectangle and minimised/maximised state, all in the settings file of
// the ProfileStore given. On restore a rectangle is moved into the work area of the monitor it
// belongs to; when the screen DPI changed since the last save, the registry copies of window
// layouts are forgotten.
//
// The logic is free of any window system: it sees a window through PlacementWindow and the
// monitors through Screens (app/placement_qt.h implements both with Qt). Rectangles are in the
// window system's desktop pixels; the DPI is stored beside them but does not scale them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "settings/profile_store.h"
#include "settings/typed_value_format.h"

namespace vermark {

// Sections and entries in the settings file.
inline constexpr std::u16string_view kPositionSection = u"Position";
inline constexpr std::u16string_view kDpiEntry = u"DPI_";
inline constexpr std::u16string_view kDialogSection = u"Position\\Dialog";
inline constexpr std::u16string_view kFrameSection = u"Position\\MainFrame";
inline constexpr std::u16string_view kIconicEntry = u"Iconic";
inline constexpr std::u16string_view kMaximizedEntry = u"Maximized";
inline constexpr std::u16string_view kFrameRectEntry = u"Position199902";

// Show commands and flags of a window placement, numbered as the platform numbers them.
inline constexpr std::uint32_t SW_SHOWNORMAL = 1;
inline constexpr std::uint32_t SW_SHOWMINIMIZED = 2;
inline constexpr std::uint32_t SW_SHOWMAXIMIZED = 3;
inline constexpr std::uint32_t SW_RESTORE = 9;
inline constexpr std::uint32_t WPF_RESTORETOMAXIMIZED = 2;

// A frame window's placement. The normal rectangle is in workspace coordinates: relative to the
// primary monitor's work area, as the platform reports it.
struct WindowPlacement {
    std::uint32_t length = 44;
    std::uint32_t flags = 0;
    std::uint32_t show_command = SW_SHOWNORMAL;
    Point min_position;
    Point max_position;
    Rect normal_rect;
    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// What the window system tells about, and does to, one window.
class PlacementWindow {
  public:
    virtual ~PlacementWindow() = default;
    // False when the window object has no window behind it (nothing to measure or move).
    virtual bool has_handle() const = 0;
    // The framework class the window stands for ("CDialog" for a dialog): part of its entry.
    virtual std::u16string class_name() const = 0;
    virtual int dpi() const = 0;
    // The whole window (frame included) in desktop pixels.
    virtual Rect window_rect() const = 0;
    virtual bool is_iconic() const = 0;
    virtual WindowPlacement placement() const = 0;
    // Puts the whole window at `rect`.
    virtual void move(const Rect& rect) = 0;
    virtual void set_placement(const WindowPlacement& placement) = 0;
};

struct MonitorInfo {
    Rect monitor;
    Rect work;
    bool primary = false;
};

// What the window system tells about the monitors.
class Screens {
  public:
    virtual ~Screens() = default;
    // The number of monitors; 0 when unknown.
    virtual int count() const = 0;
    // The primary monitor's size and work area.
    virtual Point primary_size() const = 0;
    virtual Rect primary_work_area() const = 0;
    // The monitor nearest a point; empty when the system cannot tell.
    virtual std::optional<MonitorInfo> nearest_monitor(Point point) const = 0;
    // The DPI of the desktop, for when there is no window to ask.
    virtual int desktop_dpi() const = 0;
    // Width and height of a window border (the maximised position lies that far off-screen).
    virtual Point border_size() const = 0;
};

// Dialogs. The entry is "Position_" + name + "_" + the window's class name, in "Position\Dialog".
// Saving writes the DPI first, always; a minimised dialog keeps its old rectangle. Restoring
// leaves a dialog without a saved rectangle where it is.
bool save_dialog_placement(ProfileStore& store, PlacementWindow* window, std::u16string_view name,
                           std::optional<Rect> rect, const Screens& screens);
bool restore_dialog_placement(ProfileStore& store, PlacementWindow* window,
                              std::u16string_view name, const Screens& screens);
// Writes `rect` under `name` itself in "Position\Dialog".
bool save_dialog_rect(ProfileStore& store, std::u16string_view name, Rect rect);

// Main frames. A frame closed while minimised reopens restored; one never saved covers the
// primary work area.
bool save_frame_placement(ProfileStore& store, PlacementWindow* window, std::optional<Rect> rect,
                          const Screens& screens);
bool restore_frame_placement(ProfileStore& store, PlacementWindow* window, const Screens& screens);

// The window's DPI, or the desktop's when there is no window.
int window_dpi(const PlacementWindow* window, const Screens& screens);
// The monitor count, at least 1.
int monitor_count(const Screens& screens);
// The monitor and work rectangles of the monitor nearest `point` (the primary screen's on a
// single-monitor system); returns 1 for the primary monitor, else 0.
std::uint32_t monitor_areas(const Screens& screens, Point point, Rect* monitor, Rect* work);
bool is_primary_monitor(const Screens& screens, Point point);
// `rect` cut to the area's width and height, then moved inside it; unchanged when inside.
Rect fit_rect(Rect rect, Rect area);

// When the DPI differs from the one saved last, deletes the subkeys of the application's
// "Position", "Bar" and "WindowLayout" registry keys (not those keys themselves).
bool forget_layouts_on_dpi_change(PlacementWindow* window, const Screens& screens);
// Subkey paths below root\path, breadth-first, parents first; only the first 100 are looked into.
std::vector<std::u16string> collect_subkeys(platform::HKEY root, std::u16string_view path);

}  // namespace vermark
