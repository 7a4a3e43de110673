#include "platform/command.h"

#include "platform/wide.h"
#include "platform/windows/win_native.h"
#include "platform/windows/win_process.h"

namespace vermark::platform {
namespace win = platform::win;
namespace {

std::vector<std::wstring> wide_arguments(const std::vector<std::string>& args) {
    std::vector<std::wstring> wide;
    for (const auto& arg : args) wide.push_back(win::to_wide(from_utf8(arg)));
    return wide;
}

}  // namespace

bool start_detached(const std::string& program, const std::vector<std::string>& args) {
    HANDLE process = win::start_process(win::wide_path(from_utf8(program)), wide_arguments(args),
                                        nullptr, nullptr);
    if (!process) return false;
    ::CloseHandle(process);
    return true;
}

CommandRun run_to_file(const std::string& program, const std::vector<std::string>& args,
                       const std::string& output_path, int limit_ms) {
    CommandRun run;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const std::wstring output_name = win::wide_path(from_utf8(output_path));
    HANDLE output = ::CreateFileW(output_name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) return run;
    HANDLE process = win::start_process(win::wide_path(from_utf8(program)), wide_arguments(args),
                                        output, nullptr);
    ::CloseHandle(output);
    if (!process) return run;
    run.started = true;
    const DWORD waited = ::WaitForSingleObject(process, static_cast<DWORD>(limit_ms));
    if (waited != WAIT_OBJECT_0) {
        ::TerminateProcess(process, 1);
        ::WaitForSingleObject(process, 5000);
        ::CloseHandle(process);
        return run;
    }
    DWORD code = 0;
    run.finished = true;
    run.exit_code = ::GetExitCodeProcess(process, &code) ? static_cast<int>(code) : -1;
    ::CloseHandle(process);
    return run;
}

}  // namespace vermark::platform
