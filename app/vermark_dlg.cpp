#include "app/vermark_dlg.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QResizeEvent>
#include <QTextOption>

#include "app/about_dlg.h"
#include "app/app_icon.h"
#include "app/dialog_hooks.h"
#include "app/dialog_layout.h"
#include "app/drop_intake.h"
#include "app/preview_qt.h"
#include "app/qt_text.h"
#include "app/string_table.h"
#include "app/wait_cursor.h"
#include "diag/message_box.h"
#include "dxf/dxf_stamp.h"

using namespace vermark;

namespace {

// Inset of the painted text rectangle from the dialog's client edges.
constexpr int kTextInsetLeft = 5;
constexpr int kTextInsetTop = 5;
constexpr int kTextInsetRight = 7;
constexpr int kTextInsetBottom = 20;
// Tab stops of the painted text, in average character widths.
constexpr int kTabColumns = 8;
// The picture is drawn again for a new pane size once resizing has paused this long.
constexpr int kRerenderDelayMs = 200;

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

CVermarkDlg::CVermarkDlg(QWidget* parent) : QDialog(parent), m_Preview(*this) {
    m_hIcon = application_icon();
    build_from_template();
    rerender_.setSingleShot(true);
    rerender_.setInterval(kRerenderDelayMs);
    connect(&rerender_, &QTimer::timeout, this, [this] {
        // Nothing loaded yet: the pane shows no picture. The empty path (a broken shortcut) has
        // its cleared picture, which must cover the new size too.
        if (m_Preview.picture().isNull()) return;
        // A large drawing is read again for the new size; show that the window is busy.
        WaitCursor wait;
        render_picture(picture_path_);
    });
}

CVermarkDlg::~CVermarkDlg() {
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
    return true;
}

void CVermarkDlg::DoDataExchange(bool save_and_validate) {
    if (save_and_validate) {
        m_Info = from_qstring(m_Edit.text());
    } else {
        m_Edit.setText(to_qstring(m_Info));
        // Qt puts the cursor at the end; the box shows the start (the encoding name) first.
        m_Edit.setCursorPosition(0);
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
    const QRect area(QPoint(kTextInsetLeft, kTextInsetTop),
                     QPoint(width() - kTextInsetRight - 1, height() - kTextInsetBottom - 1));
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
    WaitCursor wait;
    for (const std::u16string& path : paths) {
        if (LoadFile(resolve_dropped_path(path))) {
            m_Preview.hide();
            m_Preview.show();
        }
    }
}

void CVermarkDlg::OnSize(int, int, int) {
    layout_controls();
    m_Preview.hide();
    m_Preview.show();
    if (!m_Preview.picture().isNull()) rerender_.start();
}

void CVermarkDlg::layout_controls() {
    fit_to_client(this, &m_Preview, 1, true, false, false, false);
    fit_to_client(this, &m_Edit, 1, true, true, true, false);
}

void CVermarkDlg::OnDestroy() {
    if (!initialised_ || destroyed_) return;
    destroyed_ = true;
    if (hooks().save_placement) hooks().save_placement(*this);
}

bool CVermarkDlg::LoadFile(const std::u16string& path) {
    WaitCursor wait;
    render_picture(path);
    InspectDxf(path);
    return true;
}

void CVermarkDlg::render_picture(const std::u16string& path) {
    picture_path_ = path;
    draw_preview(&m_Preview, path);
}

void CVermarkDlg::InspectDxf(const std::u16string& path) {
    m_TextCode = 0;
    m_DxfPath.clear();
    m_Info.clear();
    m_Add.setEnabled(false);
    UpdateData(false);

    const DxfInspection inspection = inspect_dxf(path);
    m_Info = inspection.encoding_name;
    m_TextCode = inspection.text_code;
    UpdateData(false);
    m_Text = inspection.head_text;
    m_Info = inspection.info;
    UpdateData(false);
    if (inspection.eligible) {
        m_Add.setEnabled(true);
        m_DxfPath = inspection.stamp_path;
    }
}

void CVermarkDlg::OnAddAcadver() {
    const std::u16string input = m_DxfPath;
    const StampResult result = stamp_dxf(input);
    switch (result.outcome) {
        case StampOutcome::written:
            m_Text = result.head_text;
            m_Preview.hide();
            m_Preview.show();
            return;
        case StampOutcome::not_eligible:
            if (result.refusal == DxfRefusal::version_recorded) {
                // The version lies beyond the inspected head: say so, and stop offering the button.
                m_Info += u"   " + result.version;
                UpdateData(false);
                m_Add.setEnabled(false);
                m_DxfPath.clear();
            }
            message_box(u"$ACADVER は追加しませんでした．\r\n" + input + u"\r\n" + result.reason,
                        mb::kOk | mb::kIconInformation, 0);
            return;
        case StampOutcome::failed:
            report_stamp_failure(result.output_path + u"\r\n" + result.reason);
            return;
    }
}

void CVermarkDlg::report_stamp_failure(const std::u16string& message) {
    message_box(u"$ACADVER を追加したファイルを書き込めませんでした．\r\n" + message,
                mb::kOk | mb::kIconStop, 0);
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
