// The window system's side of window placement (settings/window_placement.h) for Qt widgets:
// a top-level widget's frame rectangle, state and DPI, and the monitors Qt knows. Rectangles are
// in device pixels, as the platform reports them: Qt's scaled pixels times the screen's device
// pixel ratio (1.25 under QT_SCALE_FACTOR=1.25 or a 120-DPI desktop).
#pragma once

#include <QWidget>
#include <string>

#include "settings/window_placement.h"

namespace vermark {

class QtPlacementWindow : public PlacementWindow {
  public:
    explicit QtPlacementWindow(QWidget& widget) : widget_(widget) {}

    bool has_handle() const override { return true; }
    // The framework class the widget stands for: "CDialog" for a QDialog, "CFrameWnd" for a
    // QMainWindow, "CWnd" for anything else.
    std::u16string class_name() const override;
    int dpi() const override;
    Rect window_rect() const override;
    bool is_iconic() const override;
    WindowPlacement placement() const override;
    void move(const Rect& rect) override;
    void set_placement(const WindowPlacement& placement) override;

  private:
    QWidget& widget_;
};

class QtScreens : public Screens {
  public:
    int count() const override;
    Point primary_size() const override;
    Rect primary_work_area() const override;
    std::optional<MonitorInfo> nearest_monitor(Point point) const override;
    int desktop_dpi() const override;
    Point border_size() const override { return Point{1, 1}; }
};

}  // namespace vermark
