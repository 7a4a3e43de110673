// Text operations on wide strings used by the update check and across the program: the
// mapping of a page's URL to a relative local file name, quote removal, replacement of every
// occurrence, and the shortening of long paths for display. None touches the file system.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "util/strings.h"

namespace vermark {

// The relative path under which the page at `url` is kept locally, with `/` separators:
// the scheme becomes two leading separators, characters a file name cannot hold become
// separators or dots, folder names get `_` for `.`, and a URL naming a folder gets the default
// document "_.htm" (no extension) or "_.html" (an extension not known as a file type).
// "//a.b.c/r_Utile/download" -> "_/a_b_c/r_Utile/download/_.htm".
std::u16string url_local_name(std::u16string_view url);

// `unquote` repeated while it changes the text: "'\"x\"'" -> "x".
std::u16string unquote_all(std::u16string_view text);

// Every occurrence of `what` replaced by `by`. When no exact occurrence lies ahead, an
// occurrence in another letter case is replaced too. A shorter `by` is looked at again, so
// replacing ".." by "." collapses a run of dots. An empty `what` leaves the text unchanged.
std::u16string replace_all(std::u16string_view text, std::u16string_view what,
                           std::u16string_view by);

// The text without one leading `/` or `\`.
std::u16string strip_leading_separator(std::u16string_view text);

// The path shortened to at most `limit` characters where possible by putting "..." in place of
// the folders after the root and first folder: "C:/one/two/three/four/file.txt" with 25 gives
// "C:/one/.../four/file.txt". When even the root, the first folder and the name do not fit, the
// file name alone is returned (even when it is longer than `limit`).
std::u16string compact_path(std::u16string_view path, std::size_t limit);

// The drive ("C:") or the network server part ("//server", "\\server") of a path; empty when
// it has neither.
std::u16string path_root(std::u16string_view path);

}  // namespace vermark
