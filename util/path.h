// Path and string-list operations on wide text. Pure string work: both '/' and '\' count as
// separators, a leading pair of either ("//srv/share", "\\srv\share") is a network name, and only
// exists()/folder_exists() look at the file system. The program's own separator is the system's:
// '/' on Linux, '\' on Windows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/path_separator.h"

namespace vermark {

// An ordered list of wide strings.
using StringList = std::vector<std::u16string>;

inline constexpr char16_t kSeparator = platform::kPathSeparator;

// True for '/' and '\'.
constexpr bool is_separator(char16_t c) {
    return c == u'/' || c == u'\\';
}

// Empty stays empty; a path already ending in a separator is unchanged; otherwise `sep` is
// appended.
std::u16string ensure_separator(std::u16string_view path, char16_t sep = kSeparator);

// Removes one trailing separator, if there is one.
std::u16string strip_separator(std::u16string_view path);

// Text after the last separator; the whole input when there is none.
std::u16string file_name_of(std::u16string_view path);

// The framework-string rule of file_name_of: a text without any separator gives "????????.???".
// stem_of/extension_of of that result are empty, which is what callers of this form rely on.
std::u16string framework_file_name_of(std::u16string_view path);

// Text before the last separator, without it; the root's own separator for "/name". A path with
// no separator gives "/".
// (So change_extension("plan.dxf", ...) lands in "/": make relative names absolute first.)
std::u16string folder_of(std::u16string_view path);

// The file name before its last '.'. Empty for an empty name, " ", a name holding '?', or a name
// whose only '.' is its first character; a name without '.' is returned whole.
std::u16string stem_of(std::u16string_view path);

// The file name after its last '.', without the dot; empty when there is no dot, and for the
// names stem_of rejects.
std::u16string extension_of(std::u16string_view path);

// extension_of, lower-cased with to_lower.
std::u16string extension_lower_of(std::u16string_view path);

// Lower-cases A-Z only, as the C runtime does in its default locale.
std::u16string to_lower(std::u16string_view text);

// ensure_separator(folder_of(path)) + stem_of(path) + ext. `ext` may carry its dot or not
// ("ini" and ".ini" give the same); an empty `ext` removes the extension.
std::u16string change_extension(std::u16string_view path, std::u16string_view ext);

// Splits on either separator, drops empty components except the first two (a leading "//" of a
// network name survives, as does the root of "/usr"), drops a trailing separator and joins with
// `sep`.
std::u16string normalise_separators(std::u16string_view path, char16_t sep = kSeparator);

// Splits at any one character of `delimiters` (or, with `whole`, at each occurrence of the whole
// delimiter string). A piece opening with a double or single quote runs to its closing quote and
// then to the next delimiter, quotes kept; an unclosed quote takes the rest of the text. Adjacent
// delimiters give an empty element; text after the last delimiter is added only when not empty.
StringList split(std::u16string_view text, std::u16string_view delimiters, bool whole = false);

// The elements with `separator` between them; an empty list gives the empty string.
std::u16string join(const StringList& list, std::u16string_view separator);

// Full path of the running program. Compares the platform's answer with the saved argument list
// (see set_saved_arguments); while that list is empty, "::get_arv() ... empty" goes to standard
// error once per run.
std::u16string get_arv();

// Fills the process-wide saved argument list that get_arv() compares with (the command line does,
// with its own path first). Also re-arms the once-per-run "empty" report.
void set_saved_arguments(StringList arguments);

// True when `path` names an existing entry. A network name ("//..." or "\\...") is checked for
// access only. An entry of size 0 passes when it is a folder, or when `reject_empty` is false.
bool exists(std::u16string_view path, bool reject_empty = false);

// True when `path` (with one trailing separator stripped) is an existing folder.
bool folder_exists(std::u16string_view path);

// True for a name beginning with two separators ("//srv/share" or "\\srv\share").
bool is_network_name(std::u16string_view path);

}  // namespace vermark
