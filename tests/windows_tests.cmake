# Test files that check Linux-only code (stand-ins for Windows services, POSIX specifics) are not
# built for Windows; each entry says why, and scripts/test-windows.sh prints this list. Single
# cases are guarded in their files and report themselves skipped with their reason.
set(VERMARK_LINUX_ONLY_TESTS
  "platform/safe_replace_test.cpp: the Linux system-call seam (O_TMPFILE, linkat, flock, FIFOs)"
  "platform/environment_test.cpp: locale variables and XDG places of the Linux stand-ins"
  "platform/fs_test.cpp: POSIX modes, FIFOs and errno values of the Linux file wrappers"
  "platform/isolated_test.cpp: fork-based isolation of the Linux dialog's picture converter"
  "platform/network_drive_test.cpp: the Linux mount table"
  "platform/profile_test.cpp: the Linux profile stand-in's file handling (fork, FIFOs, modes)"
  "platform/registry_test.cpp: the Linux registry stand-in's text file (fork, FIFOs)"
  "platform/shell_link_test.cpp: the Linux shortcut parser; IShellLinkW is tested instead"
  "diag/shell_launcher_test.cpp: the Linux launcher's desktop opener scripts, FIFOs and owners"
  "update/update_folders_test.cpp: POSIX modes, owners and links of shared temporary folders"
  "update/page_server.cpp: the test page server is a POSIX child process"
  "update/download_test.cpp: needs the POSIX test page server (WinINet is tested against a loopback server in platform/http_windows_test.cpp)"
  "update/update_check_test.cpp: needs the POSIX test page server"
)

function(vermark_windows_test_sources dir out)
  set(sources ${${out}})
  foreach(entry IN LISTS VERMARK_LINUX_ONLY_TESTS)
    string(REGEX REPLACE ":.*$" "" file "${entry}")
    list(FILTER sources EXCLUDE REGEX "/${file}$")
  endforeach()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()
