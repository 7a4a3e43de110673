// The main dialog on the Win32 API, from template 102: a small, resizable, always-on-top window
// that takes dropped drawings, shows their encoding and recorded version, paints their first
// lines over a picture of the file, and writes the stamped copy when the button is pressed. What
// it does is DialogLogic's (app/dialog/); this window draws, routes messages to it and is its
// DialogView.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/dialog/dialog_logic.h"
#include "app/dialog/dialog_view.h"

// After the core's headers, whose names (SW_SHOWNORMAL, HKEY_CURRENT_USER, ...) windows.h would
// turn into macros.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

class CVermarkDlg : public vermark::DialogView {
  public:
    CVermarkDlg();
    ~CVermarkDlg() override;
    CVermarkDlg(const CVermarkDlg&) = delete;
    CVermarkDlg& operator=(const CVermarkDlg&) = delete;

    // Runs the dialog modally; the files named are loaded as if dropped once it is shown.
    INT_PTR DoModal(std::vector<std::u16string> initial_paths = {});

    // DialogView.
    void set_info_text(std::u16string_view text) override;
    void enable_stamp_button(bool enabled) override;
    void show_picture(const vermark::Picture& picture) override;
    void redraw_pane() override;
    void set_busy(bool busy) override;
    std::u16string caption() const override;
    void set_caption(std::u16string_view caption) override;
    void post_to_ui(std::function<void()> task) override;

  private:
    static INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK pane_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam);

    BOOL OnInitDialog();
    void OnSysCommand(UINT id, LPARAM param);
    void OnPaint();
    HCURSOR OnQueryDragIcon() const;
    void OnDropFiles(HDROP drop);
    void OnSize(UINT kind, int cx, int cy);
    void OnDestroy();
    void OnAddAcadver();
    bool OnSetCursor();

    void layout_controls();
    // Draws the picture into the pane's bitmap, sized to the pane.
    void render_picture(const vermark::Picture& picture);
    void paint_pane(HDC dc);
    void paint_text(HDC pane_dc);
    void run_posted_tasks();

    HWND m_hWnd = nullptr;
    HWND pane_ = nullptr;
    HWND edit_ = nullptr;
    HWND add_ = nullptr;
    WNDPROC pane_default_proc_ = nullptr;
    HICON m_hIcon = nullptr;
    HICON small_icon_ = nullptr;
    HBITMAP picture_ = nullptr;  // the pane's picture since the last load; null before
    std::vector<std::u16string> initial_paths_;
    bool initialised_ = false;
    bool busy_ = false;
    // Work handed back from background threads, run on the dialog's thread in this order.
    std::mutex posted_mutex_;
    std::deque<std::function<void()>> posted_;
    std::unique_ptr<vermark::DialogLogic> logic_;
};
