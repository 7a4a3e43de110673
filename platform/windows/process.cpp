#include "platform/process.h"

#include <windows.h>

#include <shlobj.h>

#include <string>

#include "platform/windows/win_native.h"

namespace vermark::platform {

std::u16string executable_path() {
    static const std::u16string path = [] {
        std::wstring buffer(MAX_PATH, L'\0');
        // Long paths need a larger buffer; the call says so by filling it to the brim.
        for (int attempt = 0; attempt < 6; ++attempt) {
            const DWORD length =
                ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0) return std::u16string();
            if (length < buffer.size())
                return win::from_wide(std::wstring_view(buffer.data(), length));
            buffer.resize(buffer.size() * 4);
        }
        return std::u16string();
    }();
    return path;
}

std::u16string account_name() {
    wchar_t name[257];
    DWORD size = 257;
    if (!::GetUserNameW(name, &size) || size == 0) return {};
    return win::from_wide(std::wstring_view(name, size - 1));
}

std::u16string account_home() {
    wchar_t path[MAX_PATH];
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return win::from_wide(path);
}

std::u16string current_directory() {
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return {};
    std::wstring buffer(needed, L'\0');
    const DWORD length = ::GetCurrentDirectoryW(needed, buffer.data());
    if (length == 0 || length >= needed) return {};
    buffer.resize(length);
    return win::from_wide(buffer);
}

}  // namespace vermark::platform
