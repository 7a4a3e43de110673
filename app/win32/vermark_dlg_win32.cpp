// The core's headers first: windows.h turns some of their names into macros.
#include "app/dialog/control_layout.h"
#include "app/dialog/startup_hooks.h"
#include "app/dialog/string_table.h"
#include "app/dialog/timing_trace.h"
#include "update/u_agent.h"

#include "app/win32/vermark_dlg_win32.h"

#include <algorithm>
#include <utility>

#include "app/win32/about_dlg_win32.h"
#include "app/win32/placement_win32.h"
#include "app/win32/preview_win32.h"
#include "app/win32/resource.h"
#include "app/win32/win32_text.h"
#include "diag/message_box.h"

using namespace vermark;
using vermark::win32::from_wide;
using vermark::win32::wide;

namespace {

// The picture is drawn again for a new pane size once resizing has paused this long.
constexpr UINT_PTR kRerenderTimer = 1;
constexpr UINT kRerenderDelayMs = 200;
// Posted to itself once shown, to load the files named on the command line.
constexpr UINT kOpenInitialPaths = WM_APP + 1;
// Posted from background threads: results waiting in the queue.
constexpr UINT kRunPostedTasks = WM_APP + 2;

PixelRect pixel_rect(const RECT& r) {
    return {int(r.left), int(r.top), int(r.right), int(r.bottom)};
}

// Moves `control` to fit the parent's client area (fit_edges_to_client) and repaints it. False,
// with nothing moved, when either has no window.
bool fit_to_client(HWND parent, HWND control, int margin, bool keep_top, bool keep_left,
                   bool keep_bottom, bool keep_right) {
    if (!IsWindow(parent) || !IsWindow(control)) return false;
    RECT client{};
    GetClientRect(parent, &client);
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    const PixelRect fitted = fit_edges_to_client(pixel_rect(r), pixel_rect(client), margin,
                                                 keep_top, keep_left, keep_bottom, keep_right);
    MoveWindow(control, fitted.left, fitted.top, fitted.width(), fitted.height(), TRUE);
    return true;
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

// The drop's paths in the order the shell gives them.
std::vector<std::u16string> dropped_paths(HDROP drop) {
    std::vector<std::u16string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring buffer(std::size_t(length) + 1, L'\0');
        DragQueryFileW(drop, i, buffer.data(), length + 1);
        paths.push_back(from_wide(buffer.c_str()));
    }
    return paths;
}

// A string of the program's string table; empty when there is none.
std::u16string resource_string(UINT id) {
    const wchar_t* text = nullptr;
    // A length of 0 asks for a pointer to the resource's own (read-only, unterminated) text.
    const int length =
        LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? from_wide(text, std::size_t(length)) : std::u16string();
}

HCURSOR wait_cursor() {
    return LoadCursorW(nullptr, IDC_WAIT);
}

}  // namespace

CVermarkDlg::CVermarkDlg()
    : logic_(std::make_unique<DialogLogic>(*this, std::make_shared<win32::ShellThumbnailProbe>())) {
    m_hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    small_icon_ = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

CVermarkDlg::~CVermarkDlg() {
    // Work still running in the background must find no way back into a dialog going away.
    logic_->close();
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
        case WM_SETCURSOR:
            return OnSetCursor();
        case WM_TIMER:
            if (wparam != kRerenderTimer) return FALSE;
            KillTimer(m_hWnd, kRerenderTimer);
            // The entities are kept from the load: a new size only draws them again.
            logic_->redraw_picture();
            return TRUE;
        case kOpenInitialPaths:
            logic_->load_paths(std::exchange(initial_paths_, {}));
            return TRUE;
        case kRunPostedTasks:
            run_posted_tasks();
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
        const std::u16string about = resource_string(IDS_ABOUTBOX);
        if (!about.empty()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, wide(about));
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
        const std::u16string title = resource_string(AFX_IDS_APP_TITLE);
        return MessageBoxW(owner, wide(message), wide(title), style);
    });

    set_main_window_dpi_source([owner] { return double(win32::dpi_of(owner)); });
    run_startup_update_check(*this);
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    layout_controls();
    // From here a size change lays the controls out again: also the restored placement's.
    initialised_ = true;
    restore_dialog_position(*win32::placement_window(m_hWnd), win32::system_screens());
    if (!initial_paths_.empty()) PostMessageW(m_hWnd, kOpenInitialPaths, 0, 0);
    trace_timing("initialised");
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
    std::vector<std::u16string> paths = dropped_paths(drop);
    // The handle is the shell's until released here; nothing reads it after the paths.
    DragFinish(drop);
    logic_->load_paths(std::move(paths));
}

bool CVermarkDlg::OnSetCursor() {
    if (!busy_) return false;
    SetCursor(wait_cursor());
    SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, TRUE);
    return true;
}

void CVermarkDlg::OnSize(UINT kind, int, int) {
    if (!initialised_ || kind == SIZE_MINIMIZED) return;
    layout_controls();
    redraw_pane();
    if (picture_) SetTimer(m_hWnd, kRerenderTimer, kRerenderDelayMs, nullptr);
}

void CVermarkDlg::layout_controls() {
    fit_to_client(m_hWnd, pane_, kControlMargin, true, false, false, false);
    fit_to_client(m_hWnd, edit_, kControlMargin, true, true, true, false);
}

void CVermarkDlg::OnDestroy() {
    KillTimer(m_hWnd, kRerenderTimer);
    logic_->close();
    set_message_box_presenter({});
    if (initialised_) {
        save_dialog_position(*win32::placement_window(m_hWnd), win32::system_screens());
    }
    initialised_ = false;
}

void CVermarkDlg::OnAddAcadver() {
    logic_->stamp();
}

void CVermarkDlg::set_info_text(std::u16string_view text) {
    SetWindowTextW(edit_, wide(std::u16string(text)));
}

void CVermarkDlg::enable_stamp_button(bool enabled) {
    EnableWindow(add_, enabled);
}

void CVermarkDlg::show_picture(const Picture& picture) {
    render_picture(picture);
    InvalidateRect(pane_, nullptr, FALSE);
    trace_timing("picture-drawn");
}

void CVermarkDlg::redraw_pane() {
    ShowWindow(pane_, SW_HIDE);
    ShowWindow(pane_, SW_SHOW);
    InvalidateRect(pane_, nullptr, FALSE);
}

void CVermarkDlg::set_busy(bool busy) {
    busy_ = busy;
    if (busy) {
        SetCursor(wait_cursor());
        return;
    }
    // The cursor the window under it asks for, now that the wait is over.
    POINT at{};
    GetCursorPos(&at);
    SetCursorPos(at.x, at.y);
}

std::u16string CVermarkDlg::caption() const {
    const int length = GetWindowTextLengthW(m_hWnd);
    std::wstring text(std::size_t(std::max(length, 0)) + 1, L'\0');
    GetWindowTextW(m_hWnd, text.data(), length + 1);
    return from_wide(text.c_str());
}

void CVermarkDlg::set_caption(std::u16string_view caption) {
    SetWindowTextW(m_hWnd, wide(std::u16string(caption)));
}

void CVermarkDlg::post_to_ui(std::function<void()> task) {
    std::lock_guard lock(posted_mutex_);
    posted_.push_back(std::move(task));
    // One message wakes the dialog for everything queued before it is handled.
    if (posted_.size() == 1) PostMessageW(m_hWnd, kRunPostedTasks, 0, 0);
}

void CVermarkDlg::run_posted_tasks() {
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard lock(posted_mutex_);
        tasks.swap(posted_);
    }
    for (auto& task : tasks) task();
}

void CVermarkDlg::render_picture(const Picture& picture) {
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
    win32::draw_picture(memory, area, picture);
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
    const std::u16string& text = logic_->state().text;
    if (text.empty()) {
        const std::u16string prompt(kDropPrompt);
        DrawTextW(pane_dc, wide(prompt), -1, &area, DT_WORDBREAK);
    } else {
        DrawTextW(pane_dc, wide(text), int(text.size()), &area, DT_NOPREFIX | DT_EXPANDTABS);
    }
    RestoreDC(pane_dc, saved);
}
