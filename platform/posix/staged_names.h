// Names of the staged files that platform/safe_replace.h makes where unnamed files are not to be
// had, and their cleanup. Used by the Linux side of that module only.
#pragma once

#include <string>

namespace vermark::platform {

// The folder part of a native path ("." when it has none).
std::string folder_of(const std::string& path);
// "folder/.name.1a2b3c4d.tmp" for a target "folder/name...": hidden, and not matched by "*.dxf".
std::string staged_name_for(const std::string& target);
// Removes stale staged files from the folder, the first time it is asked for that folder.
void sweep_folder_once(const std::string& folder);
// Makes the termination handler remove `path` until forgotten; the slot, or -1 when none is free.
int note_in_flight(const std::string& path);
void forget_in_flight(int slot);

}  // namespace vermark::platform
