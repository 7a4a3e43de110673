#include "app/win32/vermark_dlg_win32.h"

#include <algorithm>
#include <utility>

#include "app/win32/about_dlg_win32.h"
#include "app/win32/dialog_services.h"
#include "app/win32/drop_intake_win32.h"
#include "app/win32/preview_win32.h"
#include "app/win32/resource.h"
#include "app/win32/win32_text.h"
#include "diag/message_box.h"

using namespace vermark;
using vermark::win32::wide;

namespace {

constexpr wchar_t kDropPrompt[] = L"DXF ファイルをドロップしてください．";
// The picture is drawn again for a new pane size once resizing has paused this long.
constexpr UINT_PTR kRerenderTimer = 1;
constexpr UINT kRerenderDelayMs = 200;
// Posted to itself once shown, to load the files named on the command line.
constexpr UINT kOpenInitialPaths = WM_APP + 1;

PixelRect pixel_rect(const RECT& r) {
    return {int(r.left), int(r.top), int(r.right), int(r.bottom)};
}

// The control's rectangle in its parent's client coordinates.
RECT child_rect(HWND parent, HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void move_control(HWND control, const PixelRect& r) {
    MoveWindow(control, r.left, r.top, r.width(), r.height(), TRUE);
}

// Copies the top-left `area` of the picture to the same place in `dc`.
bool copy_picture(HDC dc, HBITMAP picture, const RECT& area) {
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return false;
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(dc, 0, 0, area.right, area.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return true;
}

// Keeps the wait cursor up for one scope.
class WaitCursor {
  public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    HCURSOR previous_;
};

}  // namespace

CVermarkDlg::CVermarkDlg() {
    m_hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    small_icon_ = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

CVermarkDlg::~CVermarkDlg() {
    if (picture_) DeleteObject(picture_);
    if (small_icon_) DestroyIcon(small_icon_);
}

INT_PTR CVermarkDlg::DoModal(std::vector<std::u16string> initial_paths) {
    initial_paths_ = std::move(initial_paths);
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_VERMARK_DIALOG), nullptr,
                           dialog_proc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CVermarkDlg::dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CVermarkDlg*>(lparam);
        SetWindowLongPtrW(window, DWLP_USER, lparam);
        self->m_hWnd = window;
    }
    auto* self = reinterpret_cast<CVermarkDlg*>(GetWindowLongPtrW(window, DWLP_USER));
    return self ? self->handle(message, wparam, lparam) : FALSE;
}

LRESULT CALLBACK CVermarkDlg::pane_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<CVermarkDlg*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == WM_PAINT) {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        self->paint_pane(dc);
        EndPaint(window, &paint);
        return 0;
    }
    if (self && message == WM_ERASEBKGND) return 1;
    const WNDPROC next = self ? self->pane_default_proc_ : DefWindowProcW;
    return CallWindowProcW(next, window, message, wparam, lparam);
}

INT_PTR CVermarkDlg::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_SYSCOMMAND:
            if ((wparam & 0xFFF0) != IDM_ABOUTBOX) return FALSE;
            OnSysCommand(UINT(wparam), lparam);
            return TRUE;
        case WM_PAINT:
            OnPaint();
            return TRUE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wparam));
            return TRUE;
        case WM_SIZE:
            OnSize(UINT(wparam), LOWORD(lparam), HIWORD(lparam));
            return FALSE;
        case WM_TIMER:
            if (wparam != kRerenderTimer) return FALSE;
            KillTimer(m_hWnd, kRerenderTimer);
            if (picture_) {
                WaitCursor wait;
                render_picture(picture_path_);
                redraw_pane();
            }
            return TRUE;
        case kOpenInitialPaths:
            open_paths(std::exchange(initial_paths_, {}));
            return TRUE;
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
                case IDOK:
                case IDCANCEL:
                    EndDialog(m_hWnd, LOWORD(wparam));
                    return TRUE;
                case IDC_ADD_ACADVER:
                    if (HIWORD(wparam) == BN_CLICKED) OnAddAcadver();
                    return TRUE;
            }
            return FALSE;
    }
    return FALSE;
}

BOOL CVermarkDlg::OnInitDialog() {
    pane_ = GetDlgItem(m_hWnd, IDC_PREVIEW);
    edit_ = GetDlgItem(m_hWnd, IDC_INFO);
    add_ = GetDlgItem(m_hWnd, IDC_ADD_ACADVER);
    SetWindowLongPtrW(pane_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    pane_default_proc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(pane_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&pane_proc)));

    if (HMENU menu = GetSystemMenu(m_hWnd, FALSE)) {
        wchar_t about[128] = {};
        if (LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, int(std::size(about))) >
            0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(small_icon_ ? small_icon_ : m_hIcon));
    DragAcceptFiles(m_hWnd, TRUE);
    // Questions and notices of the program are boxes owned by this dialog from now on.
    HWND owner = m_hWnd;
    set_message_box_presenter([owner](std::u16string_view text, unsigned style, unsigned) {
        const std::u16string message(text);
        wchar_t title[64] = {};
        LoadStringW(GetModuleHandleW(nullptr), AFX_IDS_APP_TITLE, title, int(std::size(title)));
        return MessageBoxW(owner, wide(message), title, style);
    });

    win32::run_update_check_and_caption(m_hWnd);
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    layout_controls();
    // From here a size change lays the controls out again: also the restored placement's.
    initialised_ = true;
    win32::restore_dialog_placement(m_hWnd);
    if (!initial_paths_.empty()) PostMessageW(m_hWnd, kOpenInitialPaths, 0, 0);
    return TRUE;
}

void CVermarkDlg::OnSysCommand(UINT id, LPARAM) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) run_about_box(m_hWnd);
}

void CVermarkDlg::OnPaint() {
    if (IsIconic(m_hWnd)) {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(m_hWnd, &paint);
        SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client{};
        GetClientRect(m_hWnd, &client);
        const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(dc, x, y, m_hIcon);
        EndPaint(m_hWnd, &paint);
        return;
    }
    PAINTSTRUCT paint{};
    BeginPaint(m_hWnd, &paint);
    EndPaint(m_hWnd, &paint);
    if (HDC pane_dc = GetDC(pane_)) {
        paint_text(pane_dc);
        ReleaseDC(pane_, pane_dc);
    }
}

HCURSOR CVermarkDlg::OnQueryDragIcon() const {
    return static_cast<HCURSOR>(m_hIcon);
}

void CVermarkDlg::OnDropFiles(HDROP drop) {
    const std::vector<std::u16string> paths = win32::dropped_paths(drop);
    // The handle is the shell's until released here; nothing reads it after the paths.
    DragFinish(drop);
    open_paths(paths);
}

void CVermarkDlg::open_paths(const std::vector<std::u16string>& paths) {
    WaitCursor wait;
    for (const std::u16string& path : paths) {
        if (LoadFile(win32::resolve_dropped_path(path))) redraw_pane();
    }
}

void CVermarkDlg::OnSize(UINT kind, int, int) {
    if (!initialised_ || kind == SIZE_MINIMIZED) return;
    layout_controls();
    redraw_pane();
    if (picture_) SetTimer(m_hWnd, kRerenderTimer, kRerenderDelayMs, nullptr);
}

void CVermarkDlg::layout_controls() {
    RECT client{};
    GetClientRect(m_hWnd, &client);
    move_control(pane_,
                 preview_pane_rect(pixel_rect(child_rect(m_hWnd, pane_)), pixel_rect(client)));
    move_control(edit_, info_box_rect(pixel_rect(child_rect(m_hWnd, edit_)), pixel_rect(client)));
}

void CVermarkDlg::redraw_pane() {
    ShowWindow(pane_, SW_HIDE);
    ShowWindow(pane_, SW_SHOW);
    InvalidateRect(pane_, nullptr, FALSE);
}

void CVermarkDlg::OnDestroy() {
    KillTimer(m_hWnd, kRerenderTimer);
    set_message_box_presenter({});
    if (initialised_) win32::save_dialog_placement(m_hWnd);
    initialised_ = false;
}

bool CVermarkDlg::LoadFile(const std::u16string& path) {
    WaitCursor wait;
    render_picture(path);
    InspectDxf(path);
    return true;
}

void CVermarkDlg::render_picture(const std::u16string& path) {
    picture_path_ = path;
    RECT area{};
    GetClientRect(pane_, &area);
    HDC pane_dc = GetDC(pane_);
    if (!pane_dc) return;
    HDC memory = CreateCompatibleDC(pane_dc);
    HBITMAP bitmap = CreateCompatibleBitmap(pane_dc, std::max<LONG>(area.right, 1),
                                            std::max<LONG>(area.bottom, 1));
    HGDIOBJ previous = SelectObject(memory, bitmap);
    // A cached picture is drawn over the previous one: start from it.
    if (!picture_ || !copy_picture(memory, picture_, area)) {
        FillRect(memory, &area, GetSysColorBrush(COLOR_WINDOW));
    }
    win32::draw_preview(memory, area, path);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(pane_, pane_dc);
    if (picture_) DeleteObject(picture_);
    picture_ = bitmap;
}

void CVermarkDlg::paint_pane(HDC dc) {
    RECT area{};
    GetClientRect(pane_, &area);
    if (!picture_ || !copy_picture(dc, picture_, area)) {
        FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    }
    FrameRect(dc, &area, GetSysColorBrush(COLOR_BTNSHADOW));
    paint_text(dc);
}

void CVermarkDlg::paint_text(HDC pane_dc) {
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const PixelRect inset = painted_text_rect(pixel_rect(client));
    RECT area{inset.left, inset.top, inset.right, inset.bottom};
    if (area.right <= area.left || area.bottom <= area.top) return;
    const int saved = SaveDC(pane_dc);
    IntersectClipRect(pane_dc, area.left, area.top, area.right, area.bottom);
    // The dialog's font, so that the text reads as the rest of the window; the DC's own opaque
    // background keeps it legible over the picture.
    SelectObject(pane_dc, reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
    if (state_.text.empty()) {
        DrawTextW(pane_dc, kDropPrompt, -1, &area, DT_WORDBREAK);
    } else {
        DrawTextW(pane_dc, wide(state_.text), int(state_.text.size()), &area,
                  DT_NOPREFIX | DT_EXPANDTABS);
    }
    RestoreDC(pane_dc, saved);
}

void CVermarkDlg::UpdateData() {
    SetWindowTextW(edit_, wide(state_.info));
    EnableWindow(add_, state_.can_stamp);
}

void CVermarkDlg::InspectDxf(const std::u16string& path) {
    reset_for_load(state_);
    UpdateData();
    take_inspection(state_, inspect_dxf(path));
    UpdateData();
}

void CVermarkDlg::OnAddAcadver() {
    const std::u16string input = state_.dxf_path;
    const StampNotice notice = take_stamp_result(state_, input, stamp_dxf(input));
    UpdateData();
    redraw_pane();
    if (notice.show) message_box(notice.text, notice.style, 0);
}
