// Every test process runs with VERMARK_HOME (and TMPDIR, HOME, XDG_*) pointing into a fresh
// folder that is removed when the process ends, so no test touches the real home.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/path_separator.h"

// A case that needs POSIX (FIFOs, modes, owners, links, fork) is built on Linux only; on Windows
// this stands in its place, so the case shows as skipped with its reason:
//   #ifndef _WIN32
//   TEST(Suite, Name) { ... }
//   #else
//   VERMARK_SKIPPED_ON_WINDOWS(Suite, Name, "no FIFOs on Windows")
//   #endif
#define VERMARK_SKIPPED_ON_WINDOWS(suite, name, reason) \
    TEST(suite, name) {                                 \
        GTEST_SKIP() << "POSIX only: " reason;          \
    }

namespace vermark::testing {

// The sandbox folder of this test process (VERMARK_HOME).
std::filesystem::path sandbox();

// Sets or removes an environment variable of this process (seen by the C runtime and the
// system alike).
void set_environment(const char* name, const std::string& value);
void unset_environment(const char* name);

// A new empty folder inside the sandbox, for one test's files.
std::filesystem::path fresh_folder(std::string_view name);

// Writes bytes to a file (creating parent folders) and reads a file whole.
void write_bytes(const std::filesystem::path& path, std::string_view bytes);
std::string read_bytes(const std::filesystem::path& path);

// A path the tests write with '/', in the system's separator ('\\' on Windows).
inline std::u16string native_separators(std::u16string path) {
    for (char16_t& c : path)
        if (c == u'/') c = platform::kPathSeparator;
    return path;
}

// The repository's source folder and the build folder (set by CTest; empty when run by hand).
std::filesystem::path source_dir();
std::filesystem::path binary_dir();

}  // namespace vermark::testing
