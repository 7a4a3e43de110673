// Where the update check keeps what it produces: one folder "r_Utile.tmp" in the temporary
// folder, split by tool, by program and by day. The folders are created private to the user;
// nothing is ever placed outside "r_Utile.tmp". When the temporary folder's "r_Utile.tmp" is
// not a folder of this user's own (a link, or another user's folder in a shared /tmp), the
// root is <common documents>/Temp/Temp/r_Utile.tmp instead.
#pragma once

#include <string>
#include <string_view>

namespace vermark {

// <temp>/r_Utile.tmp/<name>, created when possible.
std::u16string tool_temp_folder(std::u16string_view name);

// <temp>/r_Utile.tmp/<program stem>/, created when possible. The stem is the running file's,
// or the version resource's original file name when that differs in more than letter case;
// today's date ("%Y%m%d") when there is neither.
std::u16string program_temp_folder();

// program_temp_folder() + today's "%Y%m%d" + "/"; program_temp_folder() itself when that
// folder cannot be created.
std::u16string dated_work_folder();

// tool_temp_folder(name) + "/" + today's "%Y%m%d", created when possible.
std::u16string dated_tool_folder(std::u16string_view name);

}  // namespace vermark
