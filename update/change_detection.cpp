#include "update/change_detection.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "diag/shell_launcher.h"
#include "platform/command.h"
#include "platform/file_moves.h"
#include "platform/fs.h"
#include "platform/launch.h"
#include "platform/retry.h"
#include "platform/wide.h"
#include "text/markup.h"
#include "text/text_reader.h"
#include "text/text_writer.h"
#include "update/text_helpers.h"
#include "update/update_clock.h"
#include "update/update_folders.h"
#include "update/url_text.h"
#include "util/folder_listing.h"
#include "util/folders.h"

namespace vermark {
namespace {

constexpr platform::RetryPolicy kLookupPolls{100, std::chrono::milliseconds(100)};
constexpr int kCompareLimitMs = 20'000;
constexpr std::size_t kBatchNameLimit = 50;
constexpr int kKeepComparisonDays = 10;

#ifdef _WIN32
// One argument of a batch file line: in double quotes, where cmd reads & | < > ^ literally, and
// with '%' doubled, which cmd expands even there. A double quote or a line break cannot be
// written safely (nor can it be part of a Windows file name): nullopt.
std::optional<std::u16string> batch_argument(std::u16string_view text) {
    if (text.find_first_of(u"\"\r\n") != std::u16string_view::npos) return std::nullopt;
    return u"\"" + replace_every(text, u"%", u"%%") + u"\"";
}

// The system's "where": every match on its own line in chk, a note in err when there is none.
std::optional<std::string> lookup_script(std::u16string_view name, std::u16string_view chk,
                                         std::u16string_view err) {
    const auto quoted_name = batch_argument(name);
    const auto quoted_chk = batch_argument(chk);
    const auto quoted_err = batch_argument(err);
    if (!quoted_name || !quoted_chk || !quoted_err) return std::nullopt;
    return platform::to_utf8(u"@where " + *quoted_name + u" > " + *quoted_chk + u" 2> " +
                             *quoted_err + u"\r\n");
}
#else
// Looks $1 up on PATH like the "where" command: every match on its own CR LF line in $2, a note
// in $3 when there is none, so that the caller's wait ends either way.
constexpr char kLookupScript[] =
    "set -f\n"
    "name=$1\n"
    "found=\n"
    "IFS=:\n"
    "for folder in $PATH; do\n"
    "  [ -n \"$folder\" ] || folder=.\n"
    "  if [ -f \"$folder/$name\" ] && [ -x \"$folder/$name\" ]; then\n"
    "    printf '%s\\r\\n' \"$folder/$name\"\n"
    "    found=yes\n"
    "  fi\n"
    "done >\"$2\"\n"
    "[ -n \"$found\" ] || echo 'INFO: Could not find files for the given pattern(s).' >\"$3\"\n";

std::optional<std::string> lookup_script(std::u16string_view, std::u16string_view,
                                         std::u16string_view) {
    return kLookupScript;
}
#endif

int g_comparisons = 0;
ComparisonFiles g_last_files;

std::u16string replace_chars(std::u16string text, std::u16string_view what, char16_t by) {
    for (auto& c : text)
        if (what.find(c) != std::u16string_view::npos) c = by;
    return text;
}

std::u16string two_digits(int value) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", value);
    return platform::from_utf8(digits);
}

// The comparison files are named by the time (formatted afresh for each) and the run's counter.
std::u16string comparison_name(std::u16string_view folder, int counter, std::u16string_view tail) {
    return ensure_separator(folder) + format_update_now(u"%H%M_") + two_digits(counter) +
           std::u16string(tail);
}

std::u16string copy_path(std::u16string_view path, std::u16string_view kind) {
    const std::u16string copy = ensure_separator(dated_work_folder()) + file_name_of(path);
    return change_extension(copy, kind) + u"." + to_lower(extension_of(path));
}

bool has_content(const std::u16string& path) {
    const auto size = platform::file_size(path);
    return size && *size > 0;
}

void write_listing(const std::u16string& compare_program, const std::u16string& old_copy,
                   const std::u16string& new_copy, const std::u16string& listing) {
#ifdef _WIN32
    // fc reads the UTF-16 copies with /U. The paths go as arguments of their own, not through
    // cmd, whose parsing would break them at blanks and act on & or % in them.
    const std::vector<std::string> arguments{"/U", platform::to_utf8(old_copy),
                                             platform::to_utf8(new_copy)};
#else
    // The UTF-8 copies hold the same text; -B passes over the empty lines the UTF-16 copies drop.
    const std::vector<std::string> arguments{"-B", "--strip-trailing-cr", "--",
                                             platform::to_utf8(copy_path(old_copy, u"utf_8")),
                                             platform::to_utf8(copy_path(new_copy, u"utf_8"))};
#endif
    platform::run_to_file(platform::to_utf8(compare_program), arguments, platform::to_utf8(listing),
                          kCompareLimitMs);
}

// "20240131": a folder of one day's comparisons.
bool is_day_folder_name(std::u16string_view name) {
    return name.size() == 8 &&
           std::all_of(name.begin(), name.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// Each day's comparison files stay in their dated folder for a while; a page near the size
// limit that changes daily would otherwise add a few hundred megabytes a day for ever.
void purge_old_comparison_folders() {
    for (const auto& entry : list_folder(program_temp_folder(), true)) {
        if (!is_separator(entry.back())) continue;
        if (is_day_folder_name(file_name_of(strip_separator(entry))))
            purge_old_folder(entry, kKeepComparisonDays);
    }
}

}  // namespace

std::u16string drop_blank_lines(std::u16string_view text) {
    StringList kept;
    for (auto& line : split(text, u"\r\n", true))
        if (!line.empty()) kept.push_back(std::move(line));
    return join(kept, u"\r\n") + u"\r\n";
}

bool same_page_text(std::u16string_view old_text, std::u16string_view new_text) {
    const auto normalised = [](std::u16string_view text) {
        return replace_every(drop_blank_lines(text), u"https:", u"http:");
    };
    return normalised(old_text) == normalised(new_text);
}

bool compare_with_fc(std::u16string_view old_text, std::u16string_view new_text) {
    const std::u16string a = break_markup_lines(old_text);
    const std::u16string b = break_markup_lines(new_text);
    purge_old_comparison_folders();
    const int counter = ++g_comparisons;
    const std::u16string folder = dated_work_folder();
    ComparisonFiles files{comparison_name(folder, counter, u"o.txt"),
                          comparison_name(folder, counter, u"n.txt"),
                          comparison_name(folder, counter, u"_.txt")};
    g_last_files = files;
    write_comparison_file(files.old_copy, a);
    write_comparison_file(files.new_copy, b);
    if (files_equal(files.new_copy, files.old_copy)) {
        report_line(u"no update");
        return true;
    }
    const std::u16string compare_program = where_command(kFileCompareProgram);
    if (!compare_program.empty()) {
        write_listing(compare_program, files.old_copy, files.new_copy, files.listing);
        report_line(u"changed");
    }
    return false;
}

ComparisonFiles last_comparison_files() {
    return g_last_files;
}

bool write_comparison_file(std::u16string_view path, std::u16string_view text) {
    write_utf8_text(copy_path(path, u"utf_8"), text, false);
    const std::u16string utf16_copy = copy_path(path, u"utf16");
    write_unicode_text(utf16_copy, text);
    return write_unicode_text(std::u16string(path), drop_blank_lines(read_text_file(utf16_copy)));
}

bool files_equal(std::u16string_view a, std::u16string_view b) {
    if (!exists(a, false) || !exists(b, false)) return false;
    return read_text_file(std::u16string(a)) == read_text_file(std::u16string(b));
}

bool command_available(std::u16string_view name) {
    return !where_command(name).empty();
}

std::u16string where_command(std::u16string_view name) {
    const std::u16string wanted = trim(name);
    if (wanted.empty()) return wanted;
    const std::u16string file_name = file_name_of(wanted);
    if (file_name != wanted && exists(wanted, false)) return wanted;
    // No program is named so; the lookup's own files, named after it, could not be made.
    if (std::any_of(file_name.begin(), file_name.end(), [](char16_t c) {
            return c < 0x20 ||
                   std::u16string_view(u"<>:\"|?*").find(c) != std::u16string_view::npos;
        }))
        return {};

    const std::u16string folder = dated_work_folder();
    const std::u16string chk = quote_for_command(ensure_separator(folder) + file_name + u".chk");
    const std::u16string err = quote_for_command(ensure_separator(folder) + file_name + u".err");
    const std::u16string chk_path = unquote_all(chk);
    const std::u16string err_path = unquote_all(err);
    // Answers left by an earlier lookup would end the wait before this one has written.
    platform::remove_file(chk_path);
    platform::remove_file(err_path);

    const std::optional<std::string> script = lookup_script(file_name, chk_path, err_path);
    if (!script) return {};
    HiddenCommand command{u"where " + file_name + u" > " + chk + u" 2> " + err,
                          *script,
                          {file_name, chk_path, err_path}};
#ifdef _WIN32
    command.arguments.clear();  // written into the batch file
#endif
    run_batch_hidden(command);
    update_deferred_file_ops().remove_later(chk_path);
    update_deferred_file_ops().remove_later(err_path);
    update_deferred_file_ops().remove_later(folder);

    platform::retry(kLookupPolls, [&] {
        return has_content(chk_path) || has_content(err_path) ? platform::Attempt::succeeded
                                                              : platform::Attempt::failed_for_now;
    });
    const StringList lines = read_lines(chk_path);
    return lines.empty() ? std::u16string() : trim(lines.front());
}

bool run_batch_hidden(const HiddenCommand& command) {
    const std::u16string script = batch_file_path(command.text);
#ifdef _WIN32
    write_sjis_text(script, platform::from_utf8(command.script));
    platform::LaunchRequest request;
    request.file = script;
    request.show = platform::kShowHide;
    platform::shell_execute(request);
#else
    write_utf8_text(script, platform::from_utf8(command.script), false);
    std::vector<std::string> arguments{platform::to_utf8(script)};
    for (const auto& argument : command.arguments) arguments.push_back(platform::to_utf8(argument));
    platform::start_detached("/bin/sh", arguments);
#endif
    return true;
}

std::u16string batch_file_path(std::u16string_view command) {
    const std::u16string folder = dated_tool_folder(u"cmd_bat");
    std::u16string name =
        normalise_separators(replace_chars(std::u16string(command), u">: ", u'/'));
    name = normalise_separators(replace_chars(name, u"/\\\"", u'_'));
    // The looked-up name is part of the command: what no file name may hold (| ? * < and
    // controls) or what cmd would act on in the script's own name (& ^ % !) becomes '_' too.
    for (char16_t& c : name)
        if (c < 0x20 || std::u16string_view(u"|?*<&^%!").find(c) != std::u16string_view::npos)
            c = u'_';
    if (name.size() > kBatchNameLimit) name.resize(kBatchNameLimit);
    return ensure_separator(folder) + name + std::u16string(kScriptExtension);
}

std::u16string quote_for_command(std::u16string_view text) {
    if (text.find_first_of(u",\t \r\n") == std::u16string_view::npos) return std::u16string(text);
    const bool quoted = text.size() >= 2 && text.front() == text.back() &&
                        (text.front() == u'"' || text.front() == u'\'');
    return quoted ? std::u16string(text) : enclose(text, u"\"");
}

StringList read_lines(std::u16string_view path) {
    return split(read_text_file(std::u16string(path)), u"\r\n", true);
}

DeferredFileOps& update_deferred_file_ops() {
    static DeferredFileOps operations;
    return operations;
}

}  // namespace vermark
