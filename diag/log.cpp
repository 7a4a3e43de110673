#include "diag/log.h"

#include <atomic>

#include "platform/clock.h"
#include "platform/fs.h"
#include "platform/retry.h"
#include "util/folder_listing.h"
#include "util/folders.h"
#include "util/path.h"

namespace vermark {
namespace {

constexpr int kKeepDays = 10;
constexpr std::size_t kTimeLimit = 255;
constexpr std::u16string_view kLineTime = u"%Y/%m/%d %H:%M:%S";

// Cleared by the first append of the run: old logs are purged once, on the first line logged.
std::atomic<bool> g_first_write{true};
// Held while a line is being appended. Folder creation and the header's values may report
// through the log themselves; such a nested line is dropped instead of re-entering.
thread_local bool g_appending = false;

// Folder creation reports the folders it cannot make to the log; it sits below the log, so the
// log hands itself over as the folder code's reporter when the program starts.
const bool g_reports_folder_failures = [] {
    set_folder_failure_reporter([](std::u16string_view line) { log_line(line); });
    return true;
}();

class AppendingGuard {
  public:
    AppendingGuard() { g_appending = true; }
    ~AppendingGuard() { g_appending = false; }
    AppendingGuard(const AppendingGuard&) = delete;
    AppendingGuard& operator=(const AppendingGuard&) = delete;
};

std::u16string dump_folder() {
    std::u16string folder = special_folder(platform::CSIDL_COMMON_DOCUMENTS);
    for (std::u16string_view part : {u"Temp", u"Temp", u"DbgDump"})
        folder = ensure_separator(folder) + std::u16string(part);
    return ensure_separator(folder);
}

std::u16string header_line() {
    const std::u16string values = user_name() + u"\r\n" + temp_folder() + u"\r\n" +
                                  current_folder() + u"\r\n" + get_arv() + u"\r\n";
    return format_now(kLineTime) + u"\t" + replace_line_breaks(values, u"\t\t") + u"\r\n";
}

// Opens the log, retrying failures that may pass; false after the last attempt or at once for a
// failure that retrying cannot mend (no folder, a folder in its place, read-only media).
bool open_with_retries(platform::AppendFile& file, std::u16string_view path) {
    return platform::retry(platform::open_retry_policy(), [&] {
        const int error = file.open(path);
        if (error == 0) return platform::Attempt::succeeded;
        return platform::failure_may_pass(error) ? platform::Attempt::failed_for_now
                                                 : platform::Attempt::failed_for_good;
    });
}

}  // namespace

std::vector<std::uint8_t> utf16le_bytes(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

std::u16string replace_line_breaks(std::u16string_view text, std::u16string_view replacement) {
    const std::u16string_view for_cr = replacement.substr(0, replacement.empty() ? 0 : 1);
    const std::u16string_view for_lf = replacement.substr(for_cr.size());
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c == u'\r')
            out.append(for_cr);
        else if (c == u'\n')
            out.append(for_lf);
        else
            out.push_back(c);
    }
    return out;
}

std::u16string format_time(std::time_t time, std::u16string_view format) {
    return platform::format_local_time(time, format, kTimeLimit);
}

std::u16string format_now(std::u16string_view format) {
    return format_time(platform::current_time(), format);
}

std::u16string log_folder() {
    return ensure_separator(dump_folder() + u"WC");
}

void reset_log_run_for_testing() {
    g_first_write = true;
}

bool log_line(std::u16string_view message) {
    if (g_appending) return false;
    const std::u16string line = format_now(kLineTime) + u"\t" + file_name_of(get_arv()) + u"\t" +
                                replace_line_breaks(message, u"\t\t") + u"\r\n";
    return append_log_bytes(utf16le_bytes(line));
}

bool append_log_bytes(std::span<const std::uint8_t> bytes) {
    if (g_appending) return false;
    AppendingGuard guard;
    const std::u16string stamp = format_now(u"%m%d_%H");
    std::u16string folder = dump_folder();
    const bool first_write = g_first_write.exchange(false);
    if (first_write) purge_old_files(folder + u".txt", kKeepDays);
    folder += u"WC";
    create_folder_chain(folder);
    folder = ensure_separator(folder);
    if (first_write) purge_old_files(folder + u".txt", kKeepDays);

    platform::AppendFile file;
    if (!open_with_retries(file, folder + stamp + u".txt")) return false;
    if (file.size() == 0) {
        static constexpr std::uint8_t kMark[] = {0xFF, 0xFE};
        if (!file.write(kMark) || !file.write(utf16le_bytes(header_line()))) return false;
    }
    return bytes.empty() || file.write(bytes);
}

}  // namespace vermark
