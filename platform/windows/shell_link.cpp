#include "platform/shell_link.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/windows/win_native.h"

namespace vermark::platform {
namespace win = platform::win;
namespace {

// COM stays initialised on this thread once needed, as the shell expects of its callers.
bool com_ready() {
    thread_local const bool ready = [] {
        const HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        return SUCCEEDED(result) || result == RPC_E_CHANGED_MODE;
    }();
    return ready;
}

template <typename Interface>
class ComPointer {
  public:
    ComPointer() = default;
    ~ComPointer() {
        if (pointer_) pointer_->Release();
    }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    Interface** out() { return &pointer_; }
    Interface* operator->() const { return pointer_; }
    Interface& operator*() const { return *pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

  private:
    Interface* pointer_ = nullptr;
};

// The target's path from the shortcut's item list, whose names are wide; the path the shortcut
// also keeps in the ANSI code page is only the fallback (Wine answers GetPath from that one, so a
// name outside the code page comes back with '?' in it).
std::u16string target_of(IShellLinkW& link) {
    wchar_t target[MAX_PATH] = {};
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(link.GetIDList(&items)) && items != nullptr) {
        const bool found = ::SHGetPathFromIDListW(items, target) != FALSE;
        ::CoTaskMemFree(items);
        if (found && target[0] != L'\0') return win::from_wide(target);
    }
    if (FAILED(link.GetPath(target, MAX_PATH, nullptr, 0)) || target[0] == L'\0') return {};
    return win::from_wide(target);
}

}  // namespace

std::u16string shell_link_target(const std::u16string& link_path) {
    if (link_path.empty() || !com_ready()) return {};
    ComPointer<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link.out()))))
        return {};
    ComPointer<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out()))))
        return {};
    const std::wstring wide = win::wide_path(link_path);
    if (wide.empty() || FAILED(file->Load(wide.c_str(), STGM_READ))) return {};
    // No window, no search for a moved target: only what the shortcut itself names.
    link->Resolve(nullptr, SLR_NO_UI | SLR_NOSEARCH | SLR_NOTRACK | SLR_NOUPDATE);
    const std::u16string path = target_of(*link);
    if (path.empty()) return {};
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!win::attributes_of(path, data)) return {};
    return long_path_name(path);
}

std::u16string long_path_name(const std::u16string& path) {
    if (path.empty()) return {};
    const std::wstring wide = win::wide_path(path);
    const DWORD needed = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::wstring full(needed, L'\0');
    DWORD length = ::GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return {};
    full.resize(length);
    const DWORD long_needed = ::GetLongPathNameW(full.c_str(), nullptr, 0);
    if (long_needed == 0) return {};  // it does not exist
    std::wstring long_name(long_needed, L'\0');
    length = ::GetLongPathNameW(full.c_str(), long_name.data(), long_needed);
    if (length == 0 || length >= long_needed) return {};
    long_name.resize(length);
    return win::from_wide(long_name);
}

bool is_symbolic_link(const std::u16string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return !path.empty() && win::attributes_of(path, data) &&
           (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace vermark::platform
