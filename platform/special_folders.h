// Shell folder identifiers mapped onto Linux places.
//
//   identifier               VERMARK_HOME unset                         VERMARK_HOME set
//   CSIDL_COMMON_DOCUMENTS   $XDG_DATA_HOME/vermark                     $VERMARK_HOME/Documents
//                            (else $HOME/.local/share/vermark; without
//                            HOME, the account's home folder)
//   CSIDL_PROGRAM_FILES      /usr/bin                                   $VERMARK_HOME/usr/bin
//   CSIDL_WINDOWS            /usr/sbin                                  $VERMARK_HOME/usr/sbin
//   CSIDL_SYSTEM             /bin                                       $VERMARK_HOME/bin
//
// The two fixed program folders searched after CSIDL_PROGRAM_FILES are /usr/local/bin and /opt
// (under VERMARK_HOME: $VERMARK_HOME/usr/local/bin and $VERMARK_HOME/opt).
#pragma once

#include <string>
#include <vector>

namespace vermark::platform {

inline constexpr int CSIDL_WINDOWS = 0x24;
inline constexpr int CSIDL_SYSTEM = 0x25;
inline constexpr int CSIDL_PROGRAM_FILES = 0x26;
inline constexpr int CSIDL_COMMON_DOCUMENTS = 0x2E;
// Or-ed into an identifier: create the folder (private to the user) when it is missing.
inline constexpr int CSIDL_FLAG_CREATE = 0x8000;

// The user's home folder, absolute and without a trailing separator: HOME, else the account's
// home; empty when neither is an absolute path.
std::u16string home_folder();

// The folder for an identifier (the create flag masked off), without a trailing separator;
// empty for an identifier this system has no place for, or when no home folder is known.
std::u16string special_folder_path(int csidl);

// The system's folder for temporary files, with a trailing separator: $VERMARK_HOME/tmp/ when
// VERMARK_HOME is set, else TMPDIR, else /tmp/.
std::u16string system_temp_folder();

// Program folders searched after CSIDL_PROGRAM_FILES, in order, without trailing separators.
std::vector<std::u16string> fallback_program_folders();

}  // namespace vermark::platform
