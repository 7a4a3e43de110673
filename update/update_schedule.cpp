#include "update/update_schedule.h"

#include <array>
#include <optional>

#include "diag/log.h"
#include "platform/file_moves.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/text_case.h"
#include "text/text_reader.h"
#include "text/text_writer.h"
#include "update/change_detection.h"
#include "update/download.h"
#include "update/text_helpers.h"
#include "update/update_clock.h"
#include "update/url_text.h"
#include "util/folders.h"

namespace vermark {
namespace {

constexpr std::size_t kProfileBufferSize = 2050;
constexpr std::uint32_t kProfileReadSize = 1024;

// Whether the platform's profile function reads the settings; decided once per run.
std::optional<bool>& platform_reader_chosen() {
    static std::optional<bool> chosen;
    return chosen;
}

bool is_skipped_line(std::u16string_view trimmed) {
    return trimmed.empty() || trimmed.front() == u';';
}

std::u16string unquote_once(std::u16string value) {
    if (value.size() >= 2 && value.front() == value.back() &&
        (value.front() == u'"' || value.front() == u'\''))
        return value.substr(1, value.size() - 2);
    return value;
}

// The index of the next "[...]" line after `first`, or the number of lines.
int section_end(const StringList& lines, int first) {
    for (std::size_t i = static_cast<std::size_t>(first) + 1; i < lines.size(); ++i) {
        const std::u16string line = trim(lines[i]);
        if (is_skipped_line(line)) continue;
        if (line.front() == u'[' && line.back() == u']') return static_cast<int>(i);
    }
    return static_cast<int>(lines.size());
}

std::u16string platform_profile_string(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view default_value) {
    std::array<char16_t, kProfileBufferSize> buffer{};
    platform::GetPrivateProfileStringW(section, key, default_value, buffer.data(), kProfileReadSize,
                                       update_settings_path());
    return std::u16string(buffer.data());
}

// Written to standard error and beside the copy when nothing could be fetched.
void note_failed_fetch(std::u16string_view page, std::u16string_view relative,
                       std::u16string_view local) {
    const std::u16string note = std::u16string(page) + u"\r\n" + std::u16string(relative) +
                                u"\r\n" + change_extension(local, u"txt") + u"\r\n";
    report_text(note);
    write_unicode_text(change_extension(local, u"txt"), note);
}

std::u16string today_text() {
    return format_update_now(u"%Y/%m/%d");
}

// The day a check last failed to fetch anything. The copy's own date stays the record of the
// last check that worked, so the next day is due as before.
std::u16string failed_attempt_marker(std::u16string_view local) {
    return std::u16string(local) + u".failed";
}

}  // namespace

std::u16string update_settings_path() {
    std::u16string path = normalise_separators(
        strip_separator(special_folder(platform::CSIDL_COMMON_DOCUMENTS)) + u"/Temp/r_Utile/");
    path = normalise_separators(ensure_separator(path) + u"_Setting");
    return ensure_separator(path) + u"r_Utile.ini";
}

std::u16string read_update_setting(std::u16string_view section, std::u16string_view key,
                                   std::u16string_view default_value) {
    auto& chosen = platform_reader_chosen();
    if (!chosen)
        chosen = read_ini_value(update_settings_path(), u"Preference", u"is_GPPS", u"1") == u"1";
    if (*chosen) return platform_profile_string(section, key, default_value);
    return read_ini_value(update_settings_path(), section, key, default_value);
}

void reset_update_setting_reader() {
    platform_reader_chosen().reset();
}

std::u16string read_ini_value(std::u16string_view file, std::u16string_view section,
                              std::u16string_view key, std::u16string_view default_value) {
    if (file.empty() || section.empty() || key.empty()) return std::u16string(default_value);
    const StringList lines = split(read_text_file(std::u16string(file)), u"\r\n", true);
    if (lines.empty()) return std::u16string(default_value);
    const auto [first, end] = find_ini_section(lines, section);
    if (first < 0 || first >= static_cast<int>(lines.size())) return std::u16string(default_value);
    for (int i = first; i < end; ++i) {
        const std::u16string line = trim(lines[static_cast<std::size_t>(i)]);
        if (!platform::starts_with_ignoring_locale_case(line, key)) continue;
        const std::u16string rest = line.substr(key.size());
        const auto equals = rest.find(u'=');
        if (equals == std::u16string::npos) continue;
        return unquote_once(trim(rest.substr(equals + 1)));
    }
    return std::u16string(default_value);
}

std::pair<int, int> find_ini_section(const StringList& lines, std::u16string_view section) {
    const std::u16string header = u"[" + std::u16string(section) + u"]";
    std::pair<int, int> found{-1, -1};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::u16string line = trim(lines[i]);
        if (is_skipped_line(line) || !platform::starts_with_ignoring_locale_case(line, header))
            continue;
        found = {static_cast<int>(i), section_end(lines, static_cast<int>(i))};
    }
    return found;
}

std::u16string update_page_name() {
    const std::u16string host =
        read_update_setting(u"IR_update", u"server_name", kDefaultUpdateServer);
    std::u16string path = read_update_setting(u"IR_update", u"path_name", kDefaultUpdatePath);
    if (!path.empty() && is_separator(path.front())) path.erase(0, 1);
    // A page name is a URL: '/' on every system.
    std::u16string text = normalise_separators(strip_separator(host + u"/" + path), u'/');
    if (text.empty() || !is_separator(text.front())) text = u"//" + text;
    return text;
}

bool update_check_due(std::u16string_view page) {
    const std::u16string local = local_copy_path(page);
    const std::time_t copy_time = platform::modification_time(local).value_or(0);
    const std::u16string today = today_text();
    if (format_time(copy_time, u"%Y/%m/%d") == today) return false;
    // A server that failed today (one that never answers holds the window for its whole time)
    // is not asked again before tomorrow.
    return read_text_file(failed_attempt_marker(local)) != today;
}

bool check_for_update(std::u16string_view page) {
    const std::u16string relative = url_local_name(page);
    const std::u16string local = local_copy_path(page);
    const std::u16string old_text = read_text_file(local);
    const std::u16string new_text = read_text_file(download_page(page));
    if (new_text.empty()) {
        note_failed_fetch(page, relative, local);
        write_utf8_text(failed_attempt_marker(local), today_text(), false);
    } else {
        platform::remove_file(failed_attempt_marker(local));
    }
    if (old_text.empty()) {
        report_line(u"new");
        return false;
    }
    if (same_page_text(old_text, new_text)) {
        report_line(u"no update");
        return false;
    }
    return !compare_with_fc(old_text, new_text);
}

long update_count() {
    return parse_long(read_update_setting(u"IR_update", u"update count", u"3"));
}

}  // namespace vermark
