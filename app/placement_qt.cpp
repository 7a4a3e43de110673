#include "app/placement_qt.h"

#include <QDialog>
#include <QEvent>
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

// Qt measures in pixels scaled by the screen's device pixel ratio (QT_SCALE_FACTOR, or a
// desktop's scaling); placements are stored in the device pixels the platform reports.
qreal ratio_of(const QScreen* screen) {
    return screen ? screen->devicePixelRatio() : 1.0;
}

const QScreen* screen_of(const QWidget& widget) {
    const QScreen* screen = widget.screen();
    return screen ? screen : QGuiApplication::primaryScreen();
}

int to_device(int logical, qreal ratio) {
    return static_cast<int>(std::lround(logical * ratio));
}

int to_logical(int device, qreal ratio) {
    return static_cast<int>(std::lround(device / ratio));
}

// A rectangle of Qt's scaled pixels in device pixels.
Rect to_rect(const QRect& r, qreal ratio) {
    return Rect{to_device(r.x(), ratio), to_device(r.y(), ratio),
                to_device(r.x() + r.width(), ratio), to_device(r.y() + r.height(), ratio)};
}

Rect to_rect(const QRect& r, const QScreen* screen) {
    return to_rect(r, ratio_of(screen));
}

// A rectangle of device pixels in Qt's scaled pixels.
QRect to_qrect(const Rect& r, qreal ratio) {
    return QRect(to_logical(r.left, ratio), to_logical(r.top, ratio),
                 to_logical(r.right - r.left, ratio), to_logical(r.bottom - r.top, ratio));
}

int dpi_of(const QScreen* screen) {
    if (!screen) return kDefaultDpi;
    return static_cast<int>(
        std::lround(screen->logicalDotsPerInchX() * screen->devicePixelRatio()));
}

// Where the primary work area starts, in device pixels: the origin of workspace coordinates.
Point workspace_origin() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return Point{};
    const Rect work = to_rect(primary->availableGeometry(), primary);
    return Point{work.left, work.top};
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

bool has_frame(const FrameMargins& m) {
    return m.left != 0 || m.top != 0 || m.width != 0 || m.height != 0;
}

QSize client_size_for(const QSize& frame, const FrameMargins& m) {
    return QSize(std::max(0, frame.width() - m.width), std::max(0, frame.height() - m.height));
}

// A top-level widget learns its frame only once the window system has shown and decorated it;
// before that the frame reads as nothing. A size set then would give the client area the whole
// window's size, and the window would grow by its frame on every start. This watcher finishes
// such a move: when the frame becomes known it sizes the client area so that the whole window
// has the wanted size, then goes away.
class PendingFrameSize : public QObject {
  public:
    static constexpr const char* kName = "vermark-pending-frame-size";

    PendingFrameSize(QWidget& widget, QSize frame)
        : QObject(&widget), widget_(widget), frame_(frame) {
        setObjectName(QLatin1String(kName));
        widget.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (watched != &widget_ ||
            (type != QEvent::Show && type != QEvent::Move && type != QEvent::Resize))
            return false;
        const FrameMargins m = frame_margins(widget_);
        if (has_frame(m)) {
            widget_.removeEventFilter(this);
            widget_.resize(client_size_for(frame_, m));
            deleteLater();
        }
        return false;
    }

  private:
    QWidget& widget_;
    QSize frame_;
};

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
    return to_rect(widget_.frameGeometry(), screen_of(widget_));
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
    const Rect device = to_rect(normal, screen_of(widget_));
    const Point origin = workspace_origin();
    placement.normal_rect = Rect{device.left - origin.x, device.top - origin.y,
                                 device.right - origin.x, device.bottom - origin.y};
    return placement;
}

void QtPlacementWindow::move(const Rect& rect) {
    const FrameMargins m = frame_margins(widget_);
    const QRect target = to_qrect(rect, ratio_of(screen_of(widget_)));
    delete widget_.findChild<PendingFrameSize*>(QLatin1String(PendingFrameSize::kName),
                                                Qt::FindDirectChildrenOnly);
    // For a top-level widget, move() places the frame and resize() sizes the client area.
    widget_.move(target.topLeft());
    widget_.resize(client_size_for(target.size(), m));
    if (!has_frame(m) && !widget_.isVisible()) new PendingFrameSize(widget_, target.size());
}

void QtPlacementWindow::set_placement(const WindowPlacement& placement) {
    Rect normal = placement.normal_rect;
    const Point origin = workspace_origin();
    normal = Rect{normal.left + origin.x, normal.top + origin.y, normal.right + origin.x,
                  normal.bottom + origin.y};
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
    const Rect size = to_rect(primary->geometry(), primary);
    return Point{size.right - size.left, size.bottom - size.top};
}

Rect QtScreens::primary_work_area() const {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? to_rect(primary->availableGeometry(), primary) : Rect{};
}

std::optional<MonitorInfo> QtScreens::nearest_monitor(Point point) const {
    const qreal ratio = ratio_of(QGuiApplication::primaryScreen());
    const QPoint p(to_logical(point.x, ratio), to_logical(point.y, ratio));
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
    return MonitorInfo{to_rect(nearest->geometry(), nearest),
                       to_rect(nearest->availableGeometry(), nearest),
                       nearest == QGuiApplication::primaryScreen()};
}

int QtScreens::desktop_dpi() const {
    return dpi_of(QGuiApplication::primaryScreen());
}

}  // namespace vermark
