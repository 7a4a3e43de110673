#include "app/vermark_dlg.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QResizeEvent>
#include <QTextOption>

#include "app/about_dlg.h"
#include "app/app_icon.h"
#include "app/dialog/string_table.h"
#include "app/dialog/timing_trace.h"
#include "app/dialog_hooks.h"
#include "app/dialog_layout.h"
#include "app/drop_intake.h"
#include "app/preview_qt.h"
#include "app/qt_text.h"
#include "app/shell_preview_qt.h"

using namespace vermark;

namespace {

// Tab stops of the painted text, in average character widths.
constexpr int kTabColumns = 8;
// The picture is drawn again for a new pane size once resizing has paused this long.
constexpr int kRerenderDelayMs = 200;
// Files named on the command line wait for the first paint, but no longer than this.
constexpr int kStartupLoadFallbackMs = 1000;

constexpr int SIZE_RESTORED = 0;
constexpr int SIZE_MINIMIZED = 1;
constexpr int SIZE_MAXIMIZED = 2;

const char* const kControlId = "controlId";

// Line ends as the painter breaks them: CR LF, lone CR and lone LF each end a line.
QString painted_lines(const std::u16string& text) {
    QString lines = to_qstring(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');
    return lines;
}

// The dialog only reads dropped files, so it takes a drop as a copy (else as a link), never as a
// move: a source told that its files were moved may delete them. False, with the event ignored,
// when the source offers neither.
bool accept_for_reading(QDropEvent& event) {
    const Qt::DropActions offered = event.possibleActions();
    if (!(offered & (Qt::CopyAction | Qt::LinkAction))) {
        event.ignore();
        return false;
    }
    event.setDropAction(offered & Qt::CopyAction ? Qt::CopyAction : Qt::LinkAction);
    event.accept();
    return true;
}

}  // namespace

CPreviewPane::CPreviewPane(CVermarkDlg& owner) : owner_(owner) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void CPreviewPane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!picture_.isNull()) painter.drawPixmap(0, 0, picture_);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    owner_.OnPaint(painter);
}

CVermarkDlg::Hooks& CVermarkDlg::hooks() {
    static Hooks installed{&run_update_check_and_caption, &restore_dialog_placement_hook,
                           &save_dialog_placement_hook};
    return installed;
}

CVermarkDlg::CVermarkDlg(QWidget* parent)
    : QDialog(parent),
      m_Preview(*this),
      logic_(*this, std::make_shared<QtThumbnailProbe>()),
      m_Info(logic_.state().info),
      m_Text(logic_.state().text),
      m_DxfPath(logic_.state().dxf_path),
      m_TextCode(logic_.state().text_code),
      render_channel_(std::make_shared<UiChannel>([this](UiChannel::Task task) {
          QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
      })) {
    m_hIcon = application_icon();
    build_from_template();
    rerender_.setSingleShot(true);
    rerender_.setInterval(kRerenderDelayMs);
    // The entities are kept from the load: a new size only draws them again.
    connect(&rerender_, &QTimer::timeout, this, [this] { logic_.redraw_picture(); });
    if (timing_trace_enabled()) watch_for_stalls();
}

void CVermarkDlg::watch_for_stalls() {
    // A timer that should fire every few milliseconds reports each gap long enough for the user
    // to notice: the time the window did not answer.
    constexpr int kBeatMs = 5;
    constexpr qint64 kNoticeableMs = 50;
    auto* beat = new QTimer(this);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    connect(beat, &QTimer::timeout, this, [clock] {
        const qint64 gap = clock->restart();
        if (gap >= kNoticeableMs) trace_timing("stall " + std::to_string(gap));
    });
    beat->start(kBeatMs);
}

CVermarkDlg::~CVermarkDlg() {
    // Work still running in the background must find no way back into a window being destroyed.
    logic_.close();
    render_channel_->close();
    busy_cursor_.reset();
    OnDestroy();
}

void CVermarkDlg::build_from_template() {
    const QFont font = dialog_font(to_qstring(kMainFontFamily), kDialogFontPoints);
    setFont(font);
    const QSize units = dialog_base_units(font);
    auto place = [&](QWidget& control, int id, int x, int y, int cx, int cy) {
        control.setParent(this);
        control.setProperty(kControlId, id);
        control.setGeometry(map_dialog_rect(x, y, cx, cy, units));
    };
    // Template order, which is also the tab order.
    place(ok_, IDOK, 133, 1, 36, 14);
    ok_.setText(QStringLiteral("OK"));
    ok_.setDefault(true);
    ok_.hide();
    place(quit_, IDCANCEL, 1, 1, 33, 14);
    quit_.setText(to_qstring(kQuitButtonText));
    place(m_Preview, IDC_PREVIEW, 0, 29, 142, 114);
    place(m_Add, IDC_ADD_ACADVER, 60, 1, 62, 14);
    m_Add.setText(to_qstring(kAddButtonText));
    m_Add.setEnabled(false);
    place(m_Edit, IDC_INFO, 1, 16, 159, 12);
    m_Edit.setReadOnly(true);
    m_Edit.setAcceptDrops(false);

    connect(&ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(&quit_, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_Add, &QPushButton::clicked, this, [this] { OnAddAcadver(); });

    setWindowTitle(to_qstring(kMainCaption));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
    resize(map_dialog_rect(0, 0, 201, 170, units).size());
}

int CVermarkDlg::DoModal() {
    if (!initialised_) OnInitDialog();
    const int result = exec();
    OnDestroy();
    return result;
}

bool CVermarkDlg::OnInitDialog() {
    UpdateData(false);
    setWindowIcon(m_hIcon);
    if (hooks().update_check_and_caption) hooks().update_check_and_caption(*this);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    layout_controls();
    if (hooks().restore_placement) hooks().restore_placement(*this);
    initialised_ = true;
    trace_timing("initialised");
    return true;
}

void CVermarkDlg::DoDataExchange(bool save_and_validate) {
    if (save_and_validate) {
        m_Info = from_qstring(m_Edit.text());
    } else {
        set_info_text(m_Info);
    }
}

bool CVermarkDlg::UpdateData(bool save_and_validate) {
    DoDataExchange(save_and_validate);
    return true;
}

void CVermarkDlg::OnSysCommand(unsigned id, std::intptr_t) {
    if ((id & ~0xFu) == IDM_ABOUTBOX) {
        CAboutDlg about(this);
        about.DoModal();
    }
    // Any other command belongs to the window manager, which handles it itself.
}

void CVermarkDlg::OnPaint(QPainter& pane_painter) {
    const QRect area = to_qrect(painted_text_rect(to_pixel_rect(rect())));
    if (!area.isValid()) return;
    pane_painter.save();
    pane_painter.setClipRect(area);
    pane_painter.setFont(font());
    pane_painter.setPen(palette().color(QPalette::WindowText));
    // The text keeps a background of its own so that it stays legible over the picture.
    pane_painter.setBackgroundMode(Qt::OpaqueMode);
    pane_painter.setBackground(palette().brush(QPalette::Base));
    if (m_Text.empty()) {
        pane_painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                              to_qstring(kDropPrompt));
    } else {
        QTextOption option(Qt::AlignLeft | Qt::AlignTop);
        option.setWrapMode(QTextOption::NoWrap);
        option.setTabStopDistance(kTabColumns * QFontMetricsF(font()).averageCharWidth());
        pane_painter.drawText(QRectF(area), painted_lines(m_Text), option);
    }
    pane_painter.restore();
}

QIcon CVermarkDlg::OnQueryDragIcon() const {
    return m_hIcon;
}

void CVermarkDlg::OnDropFiles(const QMimeData& drop) {
    open_paths(dropped_paths(drop));
}

void CVermarkDlg::open_paths(const std::vector<std::u16string>& paths) {
    logic_.load_paths(paths);
}

void CVermarkDlg::open_after_first_paint(std::vector<std::u16string> paths) {
    startup_paths_ = std::move(paths);
    if (painted_) QTimer::singleShot(0, this, [this] { load_startup_paths(); });
}

void CVermarkDlg::load_startup_paths() {
    if (startup_paths_.empty()) return;
    open_paths(std::exchange(startup_paths_, {}));
}

void CVermarkDlg::OnSize(int, int, int) {
    layout_controls();
    m_Preview.hide();
    m_Preview.show();
    if (logic_.has_picture()) rerender_.start();
}

void CVermarkDlg::layout_controls() {
    fit_to_client(this, &m_Preview, kControlMargin, true, false, false, false);
    fit_to_client(this, &m_Edit, kControlMargin, true, true, true, false);
}

void CVermarkDlg::OnDestroy() {
    if (!initialised_ || destroyed_) return;
    destroyed_ = true;
    if (hooks().save_placement) hooks().save_placement(*this);
}

bool CVermarkDlg::LoadFile(const std::u16string& path) {
    logic_.load_paths({path});
    return true;
}

void CVermarkDlg::OnAddAcadver() {
    logic_.stamp();
}

void CVermarkDlg::set_info_text(std::u16string_view text) {
    m_Edit.setText(to_qstring(text));
    // Qt puts the cursor at the end; the box shows the start (the encoding name) first.
    m_Edit.setCursorPosition(0);
}

void CVermarkDlg::enable_stamp_button(bool enabled) {
    m_Add.setEnabled(enabled);
}

void CVermarkDlg::show_picture(const Picture& picture) {
    ++picture_serial_;
    if (picture.kind != PictureKind::drawing || !picture.drawing) {
        shown_drawing_.reset();
        draw_picture(&m_Preview, picture);
        trace_timing("picture-drawn");
        return;
    }
    // Another drawing's old picture goes at once; the same drawing's stays until it is redrawn
    // at the new size.
    if (picture.drawing != shown_drawing_) fill_window(&m_Preview, -1);
    shown_drawing_ = picture.drawing;
    // A render under way finds the newer request when it ends and starts the next one.
    if (!rendering_) start_render(picture.drawing);
}

void CVermarkDlg::start_render(std::shared_ptr<const DxfGeometry> drawing) {
    rendering_ = true;
    run_in_background([this, drawing = std::move(drawing), serial = picture_serial_,
                       size = m_Preview.size(), channel = render_channel_] {
        QImage image;
        // A render cut short (no memory for the entities' paths) leaves the pane cleared, but
        // still comes back, so that the next picture can be rendered.
        try {
            image = render_drawing(*drawing, size);
        } catch (...) {
        }
        channel->post([this, serial, image] { finish_render(serial, image); });
    });
}

void CVermarkDlg::finish_render(unsigned serial, const QImage& image) {
    rendering_ = false;
    if (serial == picture_serial_) {
        show_rendered_drawing(&m_Preview, image);
        trace_timing("picture-drawn");
        return;
    }
    if (shown_drawing_) start_render(shown_drawing_);
}

void CVermarkDlg::redraw_pane() {
    m_Preview.hide();
    m_Preview.show();
}

void CVermarkDlg::set_busy(bool busy) {
    if (busy) {
        busy_cursor_.emplace();
    } else {
        busy_cursor_.reset();
    }
}

std::u16string CVermarkDlg::caption() const {
    return from_qstring(windowTitle());
}

void CVermarkDlg::set_caption(std::u16string_view caption) {
    setWindowTitle(to_qstring(caption));
}

void CVermarkDlg::post_to_ui(std::function<void()> task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

QWidget* CVermarkDlg::GetDlgItem(int id) const {
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->property(kControlId).toInt() == id) return child;
    }
    return nullptr;
}

std::unique_ptr<QMenu> CVermarkDlg::make_system_menu() {
    const std::u16string about = load_string(IDS_ABOUTBOX);
    if (about.empty()) return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    QAction* entry = menu->addAction(to_qstring(about));
    entry->setData(IDM_ABOUTBOX);
    connect(entry, &QAction::triggered, this, [this] { OnSysCommand(IDM_ABOUTBOX, 0); });
    return menu;
}

void CVermarkDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (auto menu = make_system_menu()) menu->exec(event->globalPos());
}

void CVermarkDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (dropped_paths(*event->mimeData()).empty() || !accept_for_reading(*event)) event->ignore();
}

void CVermarkDlg::dragMoveEvent(QDragMoveEvent* event) {
    accept_for_reading(*event);
}

void CVermarkDlg::dropEvent(QDropEvent* event) {
    if (accept_for_reading(*event)) OnDropFiles(*event->mimeData());
}

void CVermarkDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int kind = isMinimized()   ? SIZE_MINIMIZED
                     : isMaximized() ? SIZE_MAXIMIZED
                                     : SIZE_RESTORED;
    OnSize(kind, event->size().width(), event->size().height());
}

void CVermarkDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (painted_) return;
    painted_ = true;
    trace_timing("first-paint");
    // Queued, so that the window's first picture reaches the screen before any file is read.
    QTimer::singleShot(0, this, [this] { load_startup_paths(); });
}

void CVermarkDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window that is never exposed (started minimised) still loads its files.
    if (!startup_paths_.empty()) {
        QTimer::singleShot(kStartupLoadFallbackMs, this, [this] { load_startup_paths(); });
    }
}

void CVermarkDlg::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // Enter presses the focused button, else the hidden default button "OK".
        if (auto* button = qobject_cast<QPushButton*>(focusWidget());
            button && button->isVisible() && button->isEnabled()) {
            button->click();
        } else {
            ok_.click();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}
