// Deciding whether the update page changed since the previous copy, on normalised text, and
// leaving a line-by-line difference listing for a person when it did.
#pragma once

#include <string>
#include <string_view>

#include "util/deferred_file_ops.h"
#include "util/path.h"

namespace vermark {

// The program that makes the difference listing; looked up on PATH. The lookup scripts are
// batch files on Windows, shell scripts elsewhere.
#ifdef _WIN32
inline constexpr std::u16string_view kFileCompareProgram = u"fc";
inline constexpr std::u16string_view kScriptExtension = u".bat";
#else
inline constexpr std::u16string_view kFileCompareProgram = u"diff";
inline constexpr std::u16string_view kScriptExtension = u".sh";
#endif

// Equal once empty lines are dropped and "https:" is read as "http:".
bool same_page_text(std::u16string_view old_text, std::u16string_view new_text);

// Equal once the markup is broken into lines and empty lines are dropped ("no update"). Writes
// both normalised copies into the dated work folder, and when they differ and the compare
// program is found, its listing; reports "no update" or "changed" on standard error. Dated
// folders of comparisons older than ten days are removed at program exit.
bool compare_with_fc(std::u16string_view old_text, std::u16string_view new_text);

// The names the last compare_with_fc used: the two normalised copies and the listing.
struct ComparisonFiles {
    std::u16string old_copy;
    std::u16string new_copy;
    std::u16string listing;
};
ComparisonFiles last_comparison_files();

// The non-empty lines (split at CR LF), each followed by CR LF; "\r\n" for no lines.
std::u16string drop_blank_lines(std::u16string_view text);

// Writes the text's UTF-8 and UTF-16 copies beside `path` in the dated work folder, then the
// text without empty lines (UTF-16 with mark) to `path`. True when that last write succeeded.
bool write_comparison_file(std::u16string_view path, std::u16string_view text);

// Both files exist and hold the same text.
bool files_equal(std::u16string_view a, std::u16string_view b);

// True when where_command finds the program.
bool command_available(std::u16string_view name);

// The full path of a program found on PATH (or `name` itself when it is an existing path), or
// the empty text. The lookup runs as a hidden script that writes name.chk and name.err into the
// dated work folder; their appearance is awaited for at most 10 seconds.
std::u16string where_command(std::u16string_view name);

// A lookup to run hidden: the command text names the script file. A shell script takes the
// arguments one by one, never through a command line; a batch file has them written into it,
// quoted, and takes none.
struct HiddenCommand {
    std::u16string text;
    std::string script;
    StringList arguments;
};

// Writes the command's script and starts it detached (/bin/sh, or hidden through the shell on
// Windows, the batch file in code page 932); does not wait. Always true.
bool run_batch_hidden(const HiddenCommand& command);

// <temp>/r_Utile.tmp/cmd_bat/<today>/ + the command text flattened to at most 50 characters
// + kScriptExtension.
std::u16string batch_file_path(std::u16string_view command);

// The text in double quotes when it holds a comma, tab, blank, CR or LF and is not quoted yet.
std::u16string quote_for_command(std::u16string_view text);

// The file's text split at CR LF.
StringList read_lines(std::u16string_view path);

// The update check's own list of files removed at exit (the lookups' output, the work folder
// when it is empty by then).
DeferredFileOps& update_deferred_file_ops();

}  // namespace vermark
