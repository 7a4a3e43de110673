// Starting documents, addresses and programs through the shell.
#include "platform/launch.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include "platform/windows/win_native.h"
#include "platform/windows/win_process.h"

namespace vermark::platform {
namespace {

std::u16string& opener_override() {
    static std::u16string program;
    return program;
}

// The shell answers in hInstApp with the same small numbers ShellExecuteW returns; a failure
// it does not number there is read from the thread's last error.
int code_for_error(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
            return launch::kFileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_NETPATH:
            return launch::kPathNotFound;
        case ERROR_ACCESS_DENIED:
            return launch::kAccessDenied;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return launch::kOutOfMemory;
        case ERROR_BAD_FORMAT:
        case ERROR_BAD_EXE_FORMAT:
            return launch::kBadFormat;
        case ERROR_SHARING_VIOLATION:
            return launch::kSharingViolation;
        case ERROR_NO_ASSOCIATION:
            return launch::kNoAssociation;
        case ERROR_DLL_NOT_FOUND:
            return launch::kLibraryNotFound;
        default:
            return launch::kFailed;
    }
}

class ComScope {
  public:
    ComScope() : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (initialised_) ::CoUninitialize();
    }

  private:
    bool initialised_;
};

// The seam tests use where the shell cannot be watched: the chosen program gets the target.
int open_with_override(const LaunchRequest& r) {
    HANDLE process = win::start_process(win::wide_path(opener_override()), {win::to_wide(r.file)},
                                        nullptr, nullptr);
    if (!process) return launch::kFileNotFound;
    ::CloseHandle(process);
    return launch::kStarted;
}

}  // namespace

int shell_execute(const LaunchRequest& r) {
    if (r.file.empty()) return launch::kFileNotFound;
    if (!opener_override().empty()) return open_with_override(r);
    ComScope com;  // some handlers the shell picks are COM objects
    const std::wstring verb = r.verb ? win::to_wide(*r.verb) : std::wstring();
    const std::wstring file = win::to_wide(r.file);
    const std::wstring parameters = r.parameters ? win::to_wide(*r.parameters) : std::wstring();
    const std::wstring directory = r.directory ? win::to_wide(*r.directory) : std::wstring();
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = r.verb ? verb.c_str() : nullptr;
    info.lpFile = file.c_str();
    info.lpParameters = r.parameters ? parameters.c_str() : nullptr;
    info.lpDirectory = r.directory ? directory.c_str() : nullptr;
    info.nShow = r.show == kShowHide ? SW_HIDE : SW_SHOWNORMAL;
    if (::ShellExecuteExW(&info)) return launch::kStarted;
    const DWORD error = ::GetLastError();
    const auto answer = static_cast<int>(reinterpret_cast<INT_PTR>(info.hInstApp));
    if (answer > 0 && answer <= 32) return answer;
    return code_for_error(error);
}

void set_desktop_opener(std::u16string program) {
    opener_override() = std::move(program);
}

std::u16string desktop_opener() {
    return opener_override().empty() ? u"explorer.exe" : opener_override();
}

}  // namespace vermark::platform
