// The program's well-known folders (documents, settings, temporary), folder-chain creation and
// program lookup. See platform/special_folders.h for where the shell folder identifiers lead.
#pragma once

#include <string>
#include <string_view>

#include "platform/special_folders.h"

namespace vermark {

// The folder for a shell folder identifier, without a trailing separator; empty when the system
// cannot name it. With CSIDL_FLAG_CREATE or-ed in, a missing folder is created.
std::u16string special_folder(int csidl);

// <common documents>/Temp/Tool/_setting, created when missing.
std::u16string settings_folder();

// "OriginalFilename" of the program's version resource, else file_name_of(get_arv()).
// Computed once per run.
std::u16string program_name();

// The settings INI file: the program's name with the extension "ini" inside settings_folder().
std::u16string ini_path();

// Folder for temporary files, with a trailing separator: TMPDIR, else /tmp (under VERMARK_HOME:
// $VERMARK_HOME/tmp); a path containing "windows" in any case is replaced by
// <common documents>/Temp/Temp; then TMP, TMPDIR, TEMP; then /tmp/<user> (or <current>/<user>).
std::u16string temp_folder();

// The inputs temp_folder() decides from, so the order of choice can be tested on its own.
struct TempFolderSources {
    std::u16string platform_answer;  // the system's temporary folder, trailing separator kept
    std::u16string documents;        // special_folder(CSIDL_COMMON_DOCUMENTS)
    std::u16string env_tmp, env_tmpdir, env_temp;
    std::u16string env_user, env_username;
    bool tmp_exists = true;  // whether a folder "/tmp" exists
    std::u16string current;  // current_folder()
};
TempFolderSources current_temp_folder_sources();
// Picks the folder; creates the per-user fallback with create_folder_chain.
std::u16string choose_temp_folder(const TempFolderSources& sources);

// The process's current folder.
std::u16string current_folder();

// The logged-on user's name; else the environment's "USER"; else "USERNAME".
std::u16string user_name();

// Where folder creation sends the line about a folder it could not make. The debug log installs
// itself here when it is linked in; until then such lines are dropped. Folder creation cannot call
// the log directly: the log keeps its files in folders made here.
using FolderFailureReporter = void (*)(std::u16string_view line);
void set_folder_failure_reporter(FolderFailureReporter reporter);

// Makes sure `path` and all its parents exist; true when the folder exists afterwards. Network
// names never get their server or share level created. New folders are private (0700). An
// existing entry inside a folder that other users may write to (like /tmp) is used only when it
// is a real folder (not a link) owned by this user; otherwise the chain fails.
// A failure is reported as "Can't create " + partial path.
bool create_folder_chain(std::u16string_view path);

// The same for the framework-string callers: a failure is reported as "フォルダが作成できません"
// followed by the folder (not reported when the running module is a ".dll").
bool create_folder_chain_framework(std::u16string_view path);

// The full path of a program: `name` itself when it exists, else under the program folders, else
// (for an ".exe" name) under the system folders; `name` unchanged when nothing is found.
std::u16string locate_program(std::u16string_view name);

}  // namespace vermark
