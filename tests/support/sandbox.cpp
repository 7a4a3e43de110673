#include "support/sandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace vermark::testing {
namespace fs = std::filesystem;

namespace {
fs::path g_sandbox;

void set_env(const char* name, const fs::path& value) {
    set_environment(name, value.string());
}

#ifdef _WIN32
// A new folder of this process's own under the temporary folder (mkdtemp is POSIX only).
fs::path make_unique_folder() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path folder =
            fs::temp_directory_path() / ("vermark-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(folder, error)) return folder;
    }
    throw std::runtime_error("no sandbox folder");
}
#else
fs::path make_unique_folder() {
    std::string pattern = (fs::temp_directory_path() / "vermark-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}
#endif

fs::path make_sandbox() {
    fs::path root = make_unique_folder();
    for (const char* sub : {"home", "tmp", "config", "data", "cache", "runtime"})
        fs::create_directories(root / sub);
    fs::permissions(root / "runtime", fs::perms::owner_all);
    set_env("VERMARK_HOME", root);
    set_env("HOME", root / "home");
    set_env("TMPDIR", root / "tmp");
    set_env("XDG_CONFIG_HOME", root / "config");
    set_env("XDG_DATA_HOME", root / "data");
    set_env("XDG_CACHE_HOME", root / "cache");
    set_env("XDG_RUNTIME_DIR", root / "runtime");
#ifdef _WIN32
    // The system's temporary folder comes from TMP and TEMP here.
    set_env("TMP", root / "tmp");
    set_env("TEMP", root / "tmp");
    set_env("USERPROFILE", root / "home");
#else
    unset_environment("TMP");
    unset_environment("TEMP");
#endif
    return root;
}

fs::path env_path(const char* name) {
    const char* value = ::getenv(name);
    return value ? fs::path(value) : fs::path();
}
}  // namespace

fs::path sandbox() {
    return g_sandbox;
}

void set_environment(const char* name, const std::string& value) {
#ifdef _WIN32
    ::_putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

void unset_environment(const char* name) {
#ifdef _WIN32
    ::_putenv_s(name, "");
#else
    ::unsetenv(name);
#endif
}

fs::path fresh_folder(std::string_view name) {
    static std::atomic<int> counter{0};
    fs::path folder = g_sandbox / "t" / (std::string(name) + "-" + std::to_string(++counter));
    fs::create_directories(folder);
    return folder;
}

void write_bytes(const fs::path& path, std::string_view bytes) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path source_dir() {
    return env_path("VERMARK_SOURCE_DIR");
}
fs::path binary_dir() {
    return env_path("VERMARK_BINARY_DIR");
}

}  // namespace vermark::testing

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    vermark::testing::g_sandbox = vermark::testing::make_sandbox();
    ::testing::InitGoogleMock(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    fs::remove_all(vermark::testing::g_sandbox, ignored);
    return result;
}
