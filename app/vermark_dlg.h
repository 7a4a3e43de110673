// The main dialog: a small, resizable, always-on-top window that takes dropped drawings, shows
// their encoding and recorded version, paints their first lines over a picture of the file, and
// writes the stamped copy when the button is pressed. Qt stands in for the dialog framework: the
// handlers keep the framework's names and are called from Qt's events.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

class CVermarkDlg : public QDialog {
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
    void InspectDxf(const std::u16string& path);
    // Loads paths one after the other exactly as a drop of them does (the command line).
    void open_paths(const std::vector<std::u16string>& paths);

    // The control with the given template id (1, 2, 1000, 1002, 1003), or null.
    QWidget* GetDlgItem(int id) const;
    // The dialog's context menu: the About entry. The caller owns it.
    std::unique_ptr<QMenu> make_system_menu();
    // Applies the 1-pixel layout of the pane and the edit box to the current client size.
    void layout_controls();

    QLineEdit m_Edit;
    QPushButton m_Add;
    CPreviewPane m_Preview;
    std::u16string m_Info;
    std::u16string m_Text;
    std::u16string m_DxfPath;
    int m_TextCode = 0;
    QIcon m_hIcon;

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void build_from_template();
    void render_picture(const std::u16string& path);
    void report_stamp_failure(const std::u16string& message);

    QPushButton ok_;
    QPushButton quit_;
    QTimer rerender_;
    std::u16string picture_path_;
    bool initialised_ = false;
    bool destroyed_ = false;
};
