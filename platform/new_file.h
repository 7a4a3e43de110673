#pragma once

#include <string>
#include <string_view>

namespace vermark::platform {

// Opens a file for writing as a descriptor (written with write_to_descriptor). `exclusive`:
// only a file that is not there yet is made (EEXIST otherwise, never through a planted link);
// else the file is made or emptied. -1 with errno set when it fails.
int open_for_writing(std::u16string_view path, bool exclusive);

// Closes a descriptor; false (errno set) when the last writes did not reach the disk.
bool close_descriptor(int fd);

// Group and others lose on `path` every permission they lack on `model`, so a copy of a private
// file stays private. Where files carry access lists instead, the folder's list decides.
void withhold_permissions_missing_from(std::u16string_view path, std::u16string_view model);

// Moves `from` over `to`, replacing it in one step. False with errno set when it fails.
bool replace_with(std::u16string_view from, std::u16string_view to);

// True when both paths name one existing file (through links, or as hard links). `b` is looked
// at first: pass the one more likely to be missing there.
bool same_file(std::u16string_view a, std::u16string_view b);

}  // namespace vermark::platform
