// Launching what a user could open from the desktop: documents, folders and web addresses go to
// the desktop's opener (xdg-open), programs and scripts are started directly. Arguments reach the
// program as separate strings, never through a shell, so names with blanks or shell characters
// are safe. Results use the shell's launch values: above 32 is success, 32 and below a failure.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vermark::platform {

// Show commands.
inline constexpr int kShowHide = 0;  // no terminal, standard streams on /dev/null
inline constexpr int kShowNormal = 1;

// Launch values.
namespace launch {
inline constexpr int kOutOfResources = 0;
inline constexpr int kFailed = 1;  // a failure without a value of its own
inline constexpr int kFileNotFound = 2;
inline constexpr int kPathNotFound = 3;
inline constexpr int kAccessDenied = 5;
inline constexpr int kOutOfMemory = 8;
inline constexpr int kBadFormat = 11;
inline constexpr int kSharingViolation = 26;
inline constexpr int kNoAssociation = 31;
inline constexpr int kLibraryNotFound = 32;
inline constexpr int kStarted = 42;
}  // namespace launch

struct LaunchRequest {
    std::optional<std::u16string> verb;        // none or "open": the default action
    std::u16string file;                       // document, folder, program or address
    std::optional<std::u16string> parameters;  // a program's command line
    std::optional<std::u16string> directory;   // working folder of a started program
    int show = kShowNormal;
};

// Starts what the request names and returns without waiting for it to end; the desktop's opener
// is given a few seconds to say whether it found an application (its failure is the launch's).
// - An address ("https://...", "mailto:...") or a folder: the opener, verbs "open"/"explore".
// - A program (executable file) or a script ("#!" line, or ".sh"): started with the parameters
//   as its arguments; verbs "open" and "runas".
// - Any other file: the opener, verbs "open" and "edit".
// A bare name is looked for in the working folder, then along PATH. "explorer.exe", when no such
// file exists, stands for the file manager: the opener on the parameters. A verb the target has
// no action for gives kNoAssociation, as does a missing opener.
int shell_execute(const LaunchRequest& request);

// A command line as its arguments: blanks separate, double quotes group (and are dropped),
// a backslash before a double quote makes it literal.
std::vector<std::u16string> split_command_line(std::u16string_view parameters);

// The program documents and addresses are handed to; empty restores "xdg-open" from PATH.
// Tests put a recorder in its place.
void set_desktop_opener(std::u16string program);
std::u16string desktop_opener();

}  // namespace vermark::platform
