// The main dialog on the Win32 API, from template 102: a small, resizable, always-on-top window
// that takes dropped drawings, shows their encoding and recorded version, paints their first
// lines over a picture of the file, and writes the stamped copy when the button is pressed. The
// view routes messages; what the dialog knows and decides is in DialogState.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/win32/dialog_state.h"

class CVermarkDlg {
  public:
    CVermarkDlg();
    ~CVermarkDlg();
    CVermarkDlg(const CVermarkDlg&) = delete;
    CVermarkDlg& operator=(const CVermarkDlg&) = delete;

    // Runs the dialog modally; the files named are loaded as if dropped once it is shown.
    INT_PTR DoModal(std::vector<std::u16string> initial_paths = {});

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

    bool LoadFile(const std::u16string& path);
    void InspectDxf(const std::u16string& path);
    void open_paths(const std::vector<std::u16string>& paths);
    // Pushes the state to the controls (the edit box's text, the button).
    void UpdateData();
    void layout_controls();
    void redraw_pane();
    // Draws a picture of `path` into the pane's picture, sized to the pane.
    void render_picture(const std::u16string& path);
    void paint_pane(HDC dc);
    void paint_text(HDC pane_dc);

    HWND m_hWnd = nullptr;
    HWND pane_ = nullptr;
    HWND edit_ = nullptr;
    HWND add_ = nullptr;
    WNDPROC pane_default_proc_ = nullptr;
    HICON m_hIcon = nullptr;
    HICON small_icon_ = nullptr;
    vermark::DialogState state_;
    HBITMAP picture_ = nullptr;  // the pane's picture since the last load; null before
    std::u16string picture_path_;
    std::vector<std::u16string> initial_paths_;
    bool initialised_ = false;
};
