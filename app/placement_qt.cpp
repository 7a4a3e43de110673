#include "app/placement_qt.h"

#include <QDialog>
#include <QGuiApplication>
#include <QMainWindow>
#include <QRect>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <limits>

namespace vermark {

namespace {

constexpr int kDefaultDpi = 96;

Rect to_rect(const QRect& r) {
    return Rect{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

QRect to_qrect(const Rect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

int dpi_of(const QScreen* screen) {
    if (!screen) return kDefaultDpi;
    return static_cast<int>(
        std::lround(screen->logicalDotsPerInchX() * screen->devicePixelRatio()));
}

// Where the primary work area starts: the origin of workspace coordinates.
QPoint workspace_origin() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->availableGeometry().topLeft() : QPoint();
}

long long distance_squared(const QRect& area, const QPoint& p) {
    const long long dx = p.x() < area.left()    ? area.left() - p.x()
                         : p.x() > area.right() ? p.x() - area.right()
                                                : 0;
    const long long dy = p.y() < area.top()      ? area.top() - p.y()
                         : p.y() > area.bottom() ? p.y() - area.bottom()
                                                 : 0;
    return dx * dx + dy * dy;
}

// The space the window frame adds around the client area: left, top, extra width, extra height.
struct FrameMargins {
    int left, top, width, height;
};

FrameMargins frame_margins(const QWidget& widget) {
    const QRect frame = widget.frameGeometry();
    const QRect client = widget.geometry();
    return {client.x() - frame.x(), client.y() - frame.y(), frame.width() - client.width(),
            frame.height() - client.height()};
}

}  // namespace

std::u16string QtPlacementWindow::class_name() const {
    if (qobject_cast<const QDialog*>(&widget_)) return u"CDialog";
    if (qobject_cast<const QMainWindow*>(&widget_)) return u"CFrameWnd";
    return u"CWnd";
}

int QtPlacementWindow::dpi() const {
    return dpi_of(widget_.screen());
}

Rect QtPlacementWindow::window_rect() const {
    return to_rect(widget_.frameGeometry());
}

bool QtPlacementWindow::is_iconic() const {
    return widget_.isMinimized();
}

WindowPlacement QtPlacementWindow::placement() const {
    WindowPlacement placement;
    const Qt::WindowStates state = widget_.windowState();
    placement.show_command = state & Qt::WindowMinimized   ? SW_SHOWMINIMIZED
                             : state & Qt::WindowMaximized ? SW_SHOWMAXIMIZED
                                                           : SW_SHOWNORMAL;
    QRect normal = widget_.frameGeometry();
    if (state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        const QRect client = widget_.normalGeometry();
        if (client.isValid()) {
            const FrameMargins m = frame_margins(widget_);
            normal = QRect(client.x() - m.left, client.y() - m.top, client.width() + m.width,
                           client.height() + m.height);
        }
    }
    placement.normal_rect = to_rect(normal.translated(-workspace_origin()));
    return placement;
}

void QtPlacementWindow::move(const Rect& rect) {
    const FrameMargins m = frame_margins(widget_);
    const QRect target = to_qrect(rect);
    // For a top-level widget, move() places the frame and resize() sizes the client area.
    widget_.move(target.topLeft());
    widget_.resize(std::max(0, target.width() - m.width), std::max(0, target.height() - m.height));
}

void QtPlacementWindow::set_placement(const WindowPlacement& placement) {
    Rect normal = placement.normal_rect;
    const QPoint origin = workspace_origin();
    normal = Rect{normal.left + origin.x(), normal.top + origin.y(), normal.right + origin.x(),
                  normal.bottom + origin.y()};
    widget_.setWindowState(widget_.windowState() &
                           ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    move(normal);
    if (placement.show_command == SW_SHOWMAXIMIZED)
        widget_.setWindowState(widget_.windowState() | Qt::WindowMaximized);
}

int QtScreens::count() const {
    return static_cast<int>(QGuiApplication::screens().size());
}

Point QtScreens::primary_size() const {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return Point{};
    return Point{primary->geometry().width(), primary->geometry().height()};
}

Rect QtScreens::primary_work_area() const {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? to_rect(primary->availableGeometry()) : Rect{};
}

std::optional<MonitorInfo> QtScreens::nearest_monitor(Point point) const {
    const QPoint p(point.x, point.y);
    const QScreen* nearest = QGuiApplication::screenAt(p);
    if (!nearest) {
        long long best = std::numeric_limits<long long>::max();
        for (const QScreen* screen : QGuiApplication::screens()) {
            const long long d = distance_squared(screen->geometry(), p);
            if (d < best) {
                best = d;
                nearest = screen;
            }
        }
    }
    if (!nearest) return std::nullopt;
    return MonitorInfo{to_rect(nearest->geometry()), to_rect(nearest->availableGeometry()),
                       nearest == QGuiApplication::primaryScreen()};
}

int QtScreens::desktop_dpi() const {
    return dpi_of(QGuiApplication::primaryScreen());
}

}  // namespace vermark
