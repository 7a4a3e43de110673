// Drives a running vermark-gui.exe from outside, as a user and the shell would: finds its window,
// drops files on it (a WM_DROPFILES whose DROPFILES block is written into the dialog's process),
// presses buttons, reads controls, moves and closes the window. One command per run; the result
// goes to stdout and the exit status is 0 on success.
//
//   mklink TARGET LINK | wait MS | drop FILE... | click ID | text ID (0: the caption) | enabled ID
//   | about (opens it, prints its two texts) | about-close | layout | rect | move L T R B | close
//   | box (waits for a message box, prints its text, presses OK) | enter (presses Enter on the
//   dialog) | drawn (how many of the pane's pixels have the colour drawings are drawn in)
#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kCaptionStart[] = L"$ACADVER 追加";
constexpr wchar_t kAboutCaption[] = L"ﾊﾞｰｼﾞｮﾝ情報";
// The program's message boxes carry its title.
constexpr wchar_t kBoxCaption[] = L"Vermark";
// The About entry's command, with low bits set that the dialog must ignore.
constexpr WPARAM kAboutCommand = 0x10 | 0x3;
constexpr DWORD kSendTimeoutMs = 10000;
// The block goes this far into its pages, so that the bytes in front of it are readable too.
constexpr SIZE_T kBlockOffset = 64;

struct Search {
    const wchar_t* caption_start;
    HWND found = nullptr;
};

BOOL CALLBACK find_dialog(HWND window, LPARAM param) {
    wchar_t class_name[16] = {};
    wchar_t caption[256] = {};
    GetClassNameW(window, class_name, 16);
    GetWindowTextW(window, caption, 256);
    auto* search = reinterpret_cast<Search*>(param);
    if (wcscmp(class_name, kDialogClass) == 0 &&
        wcsncmp(caption, search->caption_start, wcslen(search->caption_start)) == 0 &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND dialog_window(const wchar_t* caption_start = kCaptionStart) {
    Search search{caption_start};
    EnumWindows(find_dialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND wait_for_window(const wchar_t* caption_start, DWORD limit_ms) {
    for (DWORD waited = 0; waited <= limit_ms; waited += 100) {
        if (HWND window = dialog_window(caption_start)) return window;
        Sleep(100);
    }
    return nullptr;
}

std::wstring full_path(const wchar_t* path) {
    wchar_t buffer[MAX_PATH * 4] = {};
    const DWORD length = GetFullPathNameW(path, DWORD(std::size(buffer)), buffer, nullptr);
    return length > 0 && length < std::size(buffer) ? std::wstring(buffer, length) : path;
}

// DROPFILES, then the paths, each ending in a zero, then one more zero.
std::vector<BYTE> drop_block(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const std::wstring& path : paths) list += path + L'\0';
    list += L'\0';
    std::vector<BYTE> block(sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    memcpy(block.data(), &header, sizeof(header));
    memcpy(block.data() + sizeof(header), list.data(), list.size() * sizeof(wchar_t));
    return block;
}

int drop(HWND dialog, int count, wchar_t** files) {
    std::vector<std::wstring> paths;
    for (int i = 0; i < count; ++i) paths.push_back(full_path(files[i]));
    const std::vector<BYTE> block = drop_block(paths);
    DWORD process_id = 0;
    GetWindowThreadProcessId(dialog, &process_id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process_id);
    if (!process) return 1;
    auto* memory = static_cast<BYTE*>(VirtualAllocEx(process, nullptr, block.size() + kBlockOffset,
                                                     MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    const bool written = memory && WriteProcessMemory(process, memory + kBlockOffset, block.data(),
                                                      block.size(), nullptr);
    CloseHandle(process);
    if (!written) return 1;
    return PostMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(memory + kBlockOffset), 0)
               ? 0
               : 1;
}

// A shell shortcut to `target`, as Explorer makes one.
int make_shortcut(const wchar_t* target, const wchar_t* link_path) {
    CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return 1;
    }
    IPersistFile* file = nullptr;
    bool saved = SUCCEEDED(link->SetPath(full_path(target).c_str())) &&
                 SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    saved = saved && SUCCEEDED(file->Save(full_path(link_path).c_str(), TRUE));
    if (file) file->Release();
    link->Release();
    return saved ? 0 : 1;
}

// The colour the dialog draws a drawing's entities in.
constexpr COLORREF kDrawingColour = RGB(0x20, 0x30, 0x50);

// Pixels of the window (as the screen shows it) in `colour`. Read from the screen, since another
// process's window surface is not readable through its own DC.
long pixels_in_colour(HWND window, COLORREF colour) {
    RECT area{};
    GetWindowRect(window, &area);
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return 0;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP copy = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    long count = 0;
    if (memory && copy && bits) {
        HGDIOBJ previous = SelectObject(memory, copy);
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
        SelectObject(memory, previous);
        // DIB pixels are blue, green, red bytes; a COLORREF is red, green, blue.
        const DWORD wanted =
            (DWORD(GetRValue(colour)) << 16) | (DWORD(GetGValue(colour)) << 8) | GetBValue(colour);
        const auto* pixels = static_cast<const DWORD*>(bits);
        for (long i = 0; i < long(width) * height; ++i) {
            if ((pixels[i] & 0xFFFFFF) == wanted) ++count;
        }
    }
    if (copy) DeleteObject(copy);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return count;
}

// The control's rectangle in its dialog's client coordinates.
RECT child_rect(HWND dialog, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void print(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(std::size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), bytes.data(), length, nullptr,
                        nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fputc('\n', stdout);
}

std::wstring control_text(HWND control) {
    wchar_t buffer[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied);
    return buffer;
}

BOOL CALLBACK longest_static_text(HWND child, LPARAM param) {
    wchar_t class_name[16] = {};
    GetClassNameW(child, class_name, 16);
    auto* longest = reinterpret_cast<std::wstring*>(param);
    if (_wcsicmp(class_name, L"Static") == 0) {
        const std::wstring text = control_text(child);
        if (text.size() > longest->size()) *longest = text;
    }
    return TRUE;
}

// The message box's text (its longest static text) once one shows; then its OK is pressed.
int read_and_close_box(DWORD limit_ms) {
    HWND box = wait_for_window(kBoxCaption, limit_ms);
    if (!box) return 1;
    std::wstring text;
    EnumChildWindows(box, longest_static_text, reinterpret_cast<LPARAM>(&text));
    print(text);
    return PostMessageW(box, WM_COMMAND, IDOK, 0) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const std::wstring command = argv[1];
    if (command == L"mklink") return argc == 4 ? make_shortcut(argv[2], argv[3]) : 2;
    if (command == L"wait") {
        return wait_for_window(kCaptionStart, argc > 2 ? DWORD(_wtoi(argv[2])) : 10000) ? 0 : 1;
    }
    if (command == L"box") return read_and_close_box(kSendTimeoutMs);
    if (command == L"about-close") {
        HWND about = dialog_window(kAboutCaption);
        return about && PostMessageW(about, WM_COMMAND, IDOK, 0) ? 0 : 1;
    }
    HWND dialog = dialog_window();
    if (!dialog) {
        std::fputs("no dialog window\n", stderr);
        return 1;
    }
    const int id = argc > 2 ? _wtoi(argv[2]) : 0;
    if (command == L"drop") return drop(dialog, argc - 2, argv + 2);
    if (command == L"click") {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutW(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG,
                                   kSendTimeoutMs, &ignored)
                   ? 0
                   : 1;
    }
    if (command == L"text") {
        print(id == 0 ? control_text(dialog) : control_text(GetDlgItem(dialog, id)));
        return 0;
    }
    if (command == L"enabled") {
        print(IsWindowEnabled(GetDlgItem(dialog, id)) ? L"1" : L"0");
        return 0;
    }
    if (command == L"about") {
        PostMessageW(dialog, WM_SYSCOMMAND, kAboutCommand, 0);
        HWND about = wait_for_window(kAboutCaption, kSendTimeoutMs);
        if (!about) return 1;
        print(control_text(GetDlgItem(about, 1000)));
        print(control_text(GetDlgItem(about, 1001)));
        return 0;
    }
    if (command == L"layout") {  // pane left, right, bottom; edit box right; client width, height
        RECT client{};
        GetClientRect(dialog, &client);
        const RECT pane = child_rect(dialog, 1000);
        const RECT edit = child_rect(dialog, 1003);
        print(std::to_wstring(pane.left) + L" " + std::to_wstring(pane.right) + L" " +
              std::to_wstring(pane.bottom) + L" " + std::to_wstring(edit.right) + L" " +
              std::to_wstring(client.right) + L" " + std::to_wstring(client.bottom));
        return 0;
    }
    if (command == L"rect") {
        RECT r{};
        GetWindowRect(dialog, &r);
        print(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
              std::to_wstring(r.right) + L" " + std::to_wstring(r.bottom));
        return 0;
    }
    if (command == L"move" && argc >= 6) {
        const int l = _wtoi(argv[2]), t = _wtoi(argv[3]), r = _wtoi(argv[4]), b = _wtoi(argv[5]);
        return SetWindowPos(dialog, nullptr, l, t, r - l, b - t, SWP_NOZORDER | SWP_NOACTIVATE) ? 0
                                                                                                : 1;
    }
    if (command == L"drawn") {
        print(std::to_wstring(pixels_in_colour(GetDlgItem(dialog, 1000), kDrawingColour)));
        return 0;
    }
    if (command == L"topmost") {
        print((GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0 ? L"1" : L"0");
        return 0;
    }
    if (command == L"enter") {
        // The dialog's loop turns Enter into a press of its default (or focused) button.
        return PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 0x001C0001) ? 0 : 1;
    }
    if (command == L"close") return PostMessageW(dialog, WM_CLOSE, 0, 0) ? 0 : 1;
    return 2;
}
