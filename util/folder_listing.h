// Folder listing, wildcard matching, file copy and the age-based purge of old files.
#pragma once

#include <string>
#include <string_view>

#include "util/path.h"

namespace vermark {

// One level of `folder`, in the order the system returns it. Each entry is
// ensure_separator(folder) + name, with '/' appended for a folder. "." and ".." are left out when
// `skip_dots` is set. An unreadable or missing folder gives an empty list.
StringList list_folder(std::u16string_view folder, bool skip_dots);

// list_folder(path) when `path` is an existing folder, else list_folder(folder_of(path)).
StringList list_files(std::u16string_view path, bool skip_dots);

// The files (not folders) of `folder` whose names match `pattern` by matches_wildcard.
StringList find_files(std::u16string_view folder, std::u16string_view pattern);

// Case-insensitive match where only '*' is special. "" and "*" match everything, "*.*" every name
// holding a '.'. Otherwise the pieces between stars occur in order; a pattern not starting
// (ending) with '*' anchors its first (last) piece at the start (end); a pattern with no star at
// all must equal the name.
bool matches_wildcard(std::u16string_view name, std::u16string_view pattern);

// Schedules files of folder_of(path) named like stem_of(path) + "*." + extension_of(path), not
// read-only, last modified at least `days` × 86400 seconds ago, for removal at program exit (on
// the shared DeferredFileOps). Nothing is scheduled when that folder does not exist.
// True when nothing was scheduled.
bool purge_old_files(std::u16string_view path, int days);

// Schedules `folder`, last modified at least `days` × 86400 seconds ago and not read-only, with
// the files directly in it for removal at program exit (on the shared DeferredFileOps); a folder
// within it keeps the folder. True when nothing was scheduled.
bool purge_old_folder(std::u16string_view folder, int days);

// Copies `source` to `target` (creating the target's folder chain when needed). False when the
// source is missing, when `fail_if_exists` is set and the target exists, when the folder cannot be
// created, or when the copy fails or is short.
bool copy_file(std::u16string_view source, std::u16string_view target, bool fail_if_exists);

// True when `folder` (one trailing separator stripped; for a non-folder, its folder_of) holds
// nothing but "." and "..".
bool folder_is_empty(std::u16string_view folder);

}  // namespace vermark
