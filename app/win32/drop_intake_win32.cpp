#include "app/win32/drop_intake_win32.h"

#include <objidl.h>
#include <shlobj.h>

#include "app/win32/win32_text.h"
#include "util/path.h"

namespace vermark::win32 {
namespace {

constexpr int kPathBuffer = 260;

// One attempt: create the link object, load the file, resolve it and read its target. True when
// every call succeeded; `target` is then the link's (short) path.
bool read_link(HWND owner, const std::u16string& path, std::wstring& target, bool& created) {
    IShellLinkW* link = nullptr;
    created = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkW, reinterpret_cast<void**>(&link)));
    if (!created) return false;
    IPersistFile* file = nullptr;
    bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)));
    ok = ok && SUCCEEDED(file->Load(wide(path), STGM_READ));
    ok = ok && SUCCEEDED(link->Resolve(owner, 0));
    wchar_t found[kPathBuffer] = {};
    WIN32_FIND_DATAW find_data{};
    ok = ok && SUCCEEDED(link->GetPath(found, kPathBuffer, &find_data, SLGP_SHORTPATH));
    wchar_t description[kPathBuffer] = {};
    ok = ok && SUCCEEDED(link->GetDescription(description, kPathBuffer));
    if (ok) target.assign(found, wcsnlen(found, kPathBuffer));
    if (file) file->Release();
    link->Release();
    return ok;
}

std::u16string long_form(const std::wstring& path) {
    wchar_t buffer[kPathBuffer] = {};
    const DWORD length = GetLongPathNameW(path.c_str(), buffer, kPathBuffer);
    if (length == 0 || length >= DWORD(kPathBuffer)) return from_wide(path.c_str());
    return from_wide(buffer, length);
}

}  // namespace

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

std::u16string resolve_dropped_path(const std::u16string& path) {
    if (extension_lower_of(path) != u"lnk") return path;
    // The owner of any search window is the program's main window: the active dialog.
    return resolve_shortcut(GetActiveWindow(), path);
}

std::u16string resolve_shortcut(HWND owner, const std::u16string& path) {
    if (!exists(path, false)) return {};
    std::wstring target;
    bool created = false;
    if (!read_link(owner, path, target, created)) {
        // COM is started here only when the first attempt shows it is needed.
        CoInitialize(nullptr);
        if (!read_link(owner, path, target, created)) return {};
    }
    return long_form(target);
}

}  // namespace vermark::win32
