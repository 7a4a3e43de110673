// The main dialog: a small, resizable, always-on-top window that takes dropped drawings, shows
// their encoding and recorded version, paints their first lines over a picture of the file, and
// writes the stamped copy when the button is pressed. What it does is DialogLogic's
// (app/dialog/); this window draws, routes events to it and is its DialogView. Qt stands in for
// the dialog framework: the handlers keep the framework's names and are called from Qt's events.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialog/background_work.h"
#include "app/dialog/dialog_logic.h"
#include "app/dialog/dialog_view.h"
#include "app/wait_cursor.h"

class QMenu;
class QMimeData;
class QPainter;
class CVermarkDlg;

// Control ids of the dialog's template.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_PREVIEW = 1000;
inline constexpr int IDC_ADD_ACADVER = 1002;
inline constexpr int IDC_INFO = 1003;
// Command id of the About entry of the dialog's (context) system menu.
inline constexpr unsigned IDM_ABOUTBOX = 0x10;

// The framed preview pane (static control 1000). It shows the picture rendered at load time,
// its grey frame, and whatever the dialog paints over them (`CVermarkDlg::OnPaint`).
class CPreviewPane : public QWidget {
    Q_OBJECT
  public:
    explicit CPreviewPane(CVermarkDlg& owner);

    // The picture drawn at the last load; null until a file was loaded.
    QPixmap& picture() { return picture_; }
    const QPixmap& picture() const { return picture_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    CVermarkDlg& owner_;
    QPixmap picture_;
};

class CVermarkDlg : public QDialog, public vermark::DialogView {
    Q_OBJECT
  public:
    enum { IDD = 102 };

    // The hooks run at fixed points of the dialog's life; replaceable so tests can watch them
    // (and keep the update check off the network).
    struct Hooks {
        void (*update_check_and_caption)(CVermarkDlg&);
        void (*restore_placement)(CVermarkDlg&);
        void (*save_placement)(CVermarkDlg&);
    };
    static Hooks& hooks();

    explicit CVermarkDlg(QWidget* parent = nullptr);
    ~CVermarkDlg() override;

    // Initialises the dialog once (OnInitDialog), runs it modally, then runs OnDestroy.
    int DoModal();

    bool OnInitDialog();
    // save_and_validate false pushes the members to the controls, true pulls them back.
    void DoDataExchange(bool save_and_validate);
    bool UpdateData(bool save_and_validate = true);

    // Message handlers.
    void OnSysCommand(unsigned id, std::intptr_t param);
    // Paints the prompt or the head text into the preview pane; called from the pane's paint
    // event with a painter on the pane.
    void OnPaint(QPainter& pane_painter);
    QIcon OnQueryDragIcon() const;
    void OnDropFiles(const QMimeData& drop);
    void OnSize(int kind, int cx, int cy);
    void OnDestroy();
    void OnAddAcadver();

    // The per-file load: picture, then inspection, under the wait cursor. Always true.
    bool LoadFile(const std::u16string& path);
    // Loads paths one after the other exactly as a drop of them does. The load runs in the
    // background; loading() tells when it is done.
    void open_paths(const std::vector<std::u16string>& paths);
    // The paths named on the command line: loaded once the window has first been painted.
    void open_after_first_paint(std::vector<std::u16string> paths);
    bool loading() const { return logic_.loading(); }
    bool stamping() const { return logic_.stamping(); }
    // True while a drawing's picture is rendered in the background.
    bool rendering() const { return rendering_; }

    // The control with the given template id (1, 2, 1000, 1002, 1003), or null.
    QWidget* GetDlgItem(int id) const;
    // The dialog's context menu: the About entry. The caller owns it.
    std::unique_ptr<QMenu> make_system_menu();
    // Applies the 1-pixel layout of the pane and the edit box to the current client size.
    void layout_controls();

    // DialogView.
    void set_info_text(std::u16string_view text) override;
    void enable_stamp_button(bool enabled) override;
    void show_picture(const vermark::Picture& picture) override;
    void redraw_pane() override;
    void set_busy(bool busy) override;
    std::u16string caption() const override;
    void set_caption(std::u16string_view caption) override;
    void post_to_ui(std::function<void()> task) override;

    QLineEdit m_Edit;
    QPushButton m_Add;
    CPreviewPane m_Preview;

  private:
    // Declared before the members that name its state.
    vermark::DialogLogic logic_;

  public:
    // The framework's names for the logic's state.
    std::u16string& m_Info;
    std::u16string& m_Text;
    std::u16string& m_DxfPath;
    int& m_TextCode;
    QIcon m_hIcon;

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void build_from_template();
    void load_startup_paths();
    void start_render(std::shared_ptr<const vermark::DxfGeometry> drawing);
    void finish_render(unsigned serial, const QImage& image);
    void watch_for_stalls();

    QPushButton ok_;
    QPushButton quit_;
    QTimer rerender_;
    std::optional<vermark::WaitCursor> busy_cursor_;
    // Drawings are rendered in the background, one at a time; a render for an older picture
    // request is dropped and the newest one started instead.
    std::shared_ptr<vermark::UiChannel> render_channel_;
    unsigned picture_serial_ = 0;
    bool rendering_ = false;
    std::shared_ptr<const vermark::DxfGeometry> shown_drawing_;
    std::vector<std::u16string> startup_paths_;
    bool painted_ = false;
    bool initialised_ = false;
    bool destroyed_ = false;
};
