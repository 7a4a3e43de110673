#include "platform/windows/win_process.h"

namespace vermark::platform::win {
namespace {

bool is_batch_file(const std::wstring& program) {
    if (program.size() < 4) return false;
    std::wstring tail = program.substr(program.size() - 4);
    for (wchar_t& c : tail) c = static_cast<wchar_t>(::towlower(c));
    return tail == L".bat" || tail == L".cmd";
}

std::wstring command_interpreter() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"ComSpec", buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return std::wstring(buffer, length);
    return L"cmd.exe";
}

}  // namespace

std::wstring quote_argument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

std::wstring command_line(const std::wstring& program, const std::vector<std::wstring>& args) {
    std::wstring line = quote_argument(program);
    for (const auto& arg : args) line += L" " + quote_argument(arg);
    // cmd /c strips the outer quotes of what follows when it starts with one: quote it all.
    if (is_batch_file(program)) return L"/d /s /c \"" + line + L"\"";
    return line;
}

HANDLE start_process(const std::wstring& program, const std::vector<std::wstring>& args,
                     HANDLE output, const wchar_t* directory) {
    const bool batch = is_batch_file(program);
    const std::wstring application = batch ? command_interpreter() : program;
    std::wstring line = command_line(program, args);
    if (batch) line = quote_argument(application) + L" " + line;

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE null_device =
        ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = null_device;
    startup.hStdOutput = output ? output : null_device;
    startup.hStdError = null_device;
    if (output) ::SetHandleInformation(output, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);

    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, TRUE,
                                          CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, nullptr,
                                          directory, &startup, &process);
    if (null_device != INVALID_HANDLE_VALUE) ::CloseHandle(null_device);
    if (!started) return nullptr;
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

}  // namespace vermark::platform::win
