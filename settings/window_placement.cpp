#include "settings/window_placement.h"

#include <algorithm>

#include "platform/app_context.h"
#include "settings/registry_store.h"

namespace vermark {

namespace {

// The number of keys whose subkeys are listed; deeper layouts are left alone.
constexpr std::size_t kMaxKeysLookedInto = 100;

std::u16string dialog_entry(std::u16string_view name, const PlacementWindow& window) {
    return u"Position_" + std::u16string(name) + u"_" + window.class_name();
}

bool all_zero(const Rect& r) {
    return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0;
}

// Computed wide so that a damaged saved rectangle cannot overflow.
Point centre_of(const Rect& r) {
    return Point{static_cast<std::int32_t>((std::int64_t{r.left} + r.right) / 2),
                 static_cast<std::int32_t>((std::int64_t{r.top} + r.bottom) / 2)};
}

void write_dpi(ProfileStore& store, const PlacementWindow* window, const Screens& screens) {
    store.write_int(kPositionSection, kDpiEntry, window_dpi(window, screens));
}

// One axis of fit_rect: the span [low, high] fitted into [area_low, area_high].
void fit_span(std::int32_t& low, std::int32_t& high, std::int32_t area_low,
              std::int32_t area_high) {
    const std::int64_t size =
        std::min(std::int64_t{area_high} - area_low, std::int64_t{high} - low);
    const bool before = low < area_low;
    const std::int64_t end = before ? area_low + size : std::int64_t{high};
    if (end > area_high) {
        low = static_cast<std::int32_t>(area_high - size);
        high = area_high;
    } else {
        low = before ? area_low : low;
        high = static_cast<std::int32_t>(end);
    }
}

Rect shrunk_by_one(Rect r) {
    return Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
}

Rect moved_to_origin(Rect r) {
    return Rect{0, 0, r.right - r.left, r.bottom - r.top};
}

}  // namespace

int window_dpi(const PlacementWindow* window, const Screens& screens) {
    return (window && window->has_handle()) ? window->dpi() : screens.desktop_dpi();
}

int monitor_count(const Screens& screens) {
    const int count = screens.count();
    return count == 0 ? 1 : count;
}

std::uint32_t monitor_areas(const Screens& screens, Point point, Rect* monitor, Rect* work) {
    const Point size = screens.primary_size();
    Rect monitor_rect{0, 0, size.x, size.y};
    Rect work_rect = screens.primary_work_area();
    std::uint32_t flags = 1;
    if (monitor_count(screens) >= 2) {
        if (const std::optional<MonitorInfo> info = screens.nearest_monitor(point)) {
            flags = info->primary ? 1 : 0;
            monitor_rect = info->monitor;
            work_rect = info->work;
        }
    }
    if (monitor) *monitor = monitor_rect;
    if (work) *work = work_rect;
    return flags;
}

bool is_primary_monitor(const Screens& screens, Point point) {
    return monitor_areas(screens, point, nullptr, nullptr) != 0;
}

Rect fit_rect(Rect rect, Rect area) {
    fit_span(rect.left, rect.right, area.left, area.right);
    fit_span(rect.top, rect.bottom, area.top, area.bottom);
    return rect;
}

bool save_dialog_placement(ProfileStore& store, PlacementWindow* window, std::u16string_view name,
                           std::optional<Rect> rect, const Screens& screens) {
    write_dpi(store, window, screens);
    if (!window || !window->has_handle()) return false;
    const std::u16string entry = dialog_entry(name, *window);
    if (!rect) {
        if (window->is_iconic()) return false;  // a minimised dialog keeps its old rectangle
        rect = window->window_rect();
    }
    return store.write_rect(kDialogSection, entry, *rect);
}

bool save_dialog_rect(ProfileStore& store, std::u16string_view name, Rect rect) {
    return store.write_rect(kDialogSection, name, rect);
}

bool save_frame_placement(ProfileStore& store, PlacementWindow* window, std::optional<Rect> rect,
                          const Screens& screens) {
    write_dpi(store, window, screens);
    if (!rect) {
        if (!window || !window->has_handle()) return false;
        const WindowPlacement placement = window->placement();
        const std::uint32_t show = placement.show_command;
        store.write_int_raw(kFrameSection, kIconicEntry, show == SW_SHOWMINIMIZED ? 1 : 0);
        store.write_int_raw(kFrameSection, kMaximizedEntry,
                            (show != SW_SHOWNORMAL && show != SW_SHOWMINIMIZED) ? 1 : 0);
        if (show == SW_SHOWMINIMIZED) return false;
        rect = placement.normal_rect;
    }
    return store.write_rect(kFrameSection, kFrameRectEntry, *rect);
}

bool restore_dialog_placement(ProfileStore& store, PlacementWindow* window,
                              std::u16string_view name, const Screens& screens) {
    forget_layouts_on_dpi_change(window, screens);
    if (!window || !window->has_handle()) return true;  // nothing to move
    Rect rect = store.get_rect(kDialogSection, dialog_entry(name, *window), Rect{});
    if (all_zero(rect)) return true;
    Rect work;
    monitor_areas(screens, centre_of(rect), nullptr, &work);
    if (monitor_count(screens) >= 2) work = shrunk_by_one(work);
    rect = fit_rect(rect, work);
    window->move(rect);
    return true;
}

bool restore_frame_placement(ProfileStore& store, PlacementWindow* window, const Screens& screens) {
    forget_layouts_on_dpi_change(window, screens);
    const bool iconic = store.read_int_raw(kFrameSection, kIconicEntry, 0) != 0;
    const bool maximized = store.read_int_raw(kFrameSection, kMaximizedEntry, 0) != 0;
    Rect rect = store.get_rect(kFrameSection, kFrameRectEntry, Rect{});
    const Point centre = centre_of(rect);
    Rect work;
    monitor_areas(screens, centre, nullptr, &work);
    // The normal rectangle is in workspace coordinates, which start at the primary work area.
    if (is_primary_monitor(screens, centre)) {
        work = moved_to_origin(work);
        rect = all_zero(rect) ? work : fit_rect(rect, work);
    } else {
        rect = fit_rect(rect, work);
    }
    WindowPlacement placement;
    placement.flags = maximized ? WPF_RESTORETOMAXIMIZED : 0;
    placement.show_command = iconic ? SW_RESTORE : maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    const Point border = screens.border_size();
    placement.max_position = Point{-border.x, -border.y};
    placement.normal_rect = rect;
    if (window && window->has_handle()) window->set_placement(placement);
    return true;
}

bool forget_layouts_on_dpi_change(PlacementWindow* window, const Screens& screens) {
    ProfileStore store(u"");
    const int dpi = window_dpi(window, screens);
    if (store.get_int(kPositionSection, kDpiEntry, dpi) == dpi) return true;
    // Without an application object, or without its registry key (settings in an INI file),
    // no layout lives in the registry: the bare section names, or "Software\\" + the INI path,
    // would address unrelated keys (a registry that reads "\\" as one separator finds them).
    const platform::ApplicationObject* application = platform::application_object();
    if (!application || application->registry_key.value_or(u"").empty()) return true;
    std::vector<std::u16string> paths;
    for (std::u16string_view part : {u"Position", u"Bar", u"WindowLayout"}) {
        std::vector<std::u16string> found = collect_subkeys(
            platform::HKEY_CURRENT_USER, store_registry_path(application->profile_name, part));
        paths.insert(paths.end(), found.begin(), found.end());
    }
    // Children go first: a key that still has subkeys cannot be deleted.
    RegistryStore registry;
    for (auto it = paths.rbegin(); it != paths.rend(); ++it)
        registry.write_string(platform::HKEY_CURRENT_USER, *it, std::nullopt, std::nullopt);
    return true;
}

std::vector<std::u16string> collect_subkeys(platform::HKEY root, std::u16string_view path) {
    RegistryStore registry;
    std::vector<std::u16string> names;
    std::vector<std::u16string> list;
    registry.enum_keys(root, path, names);
    for (const auto& name : names) list.push_back(std::u16string(path) + u"\\" + name);
    for (std::size_t i = 0; i < list.size() && i < kMaxKeysLookedInto; ++i) {
        registry.enum_keys(root, list[i], names);
        const std::u16string parent = list[i];  // list may grow and move below
        for (const auto& name : names) list.push_back(parent + u"\\" + name);
    }
    return list;
}

}  // namespace vermark
