#include "platform/os_info.h"

#include <windows.h>

#include <string>

namespace vermark::platform {

std::string kernel_release() {
    // GetVersionEx answers with the version the program's manifest allows; the kernel's own
    // file says what really runs.
    using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    if (!ntdll) return {};
    auto call = reinterpret_cast<RtlGetVersionCall>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
    if (!call) return {};
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (call(&info) != 0) return {};
    return std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion) + "." +
           std::to_string(info.dwBuildNumber);
}

bool is_32bit_process_on_64bit_system() {
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace vermark::platform
