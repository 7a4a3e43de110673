// Settings reads through the profile cache against reads of the INI file itself, and the cost
// of one locked, atomically replaced write.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/app_context.h"
#include "platform/profile.h"
#include "platform/wide.h"
#include "settings/profile_store.h"

namespace {

// An INI file of 20 sections with 20 entries each, in a private temporary folder.
const std::u16string& sample_ini() {
    static const std::u16string path = [] {
        std::string folder =
            (std::filesystem::temp_directory_path() / "vermark-bench-XXXXXX").string();
        if (::mkdtemp(folder.data()) == nullptr) std::abort();
        ::setenv("VERMARK_HOME", folder.c_str(), 1);
        static const std::string to_remove = folder;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(to_remove, ignored);
        });
        std::u16string ini = vermark::platform::from_utf8(folder + "/Bench.ini");
        std::u16string text = u"\xFEFF";
        for (int s = 0; s < 20; ++s) {
            text += u"[Section" + vermark::platform::from_utf8(std::to_string(s)) + u"]\r\n";
            for (int k = 0; k < 20; ++k)
                text += u"Key" + vermark::platform::from_utf8(std::to_string(k)) + u"=" +
                        vermark::platform::from_utf8(std::to_string(s * 100 + k)) + u"\r\n";
        }
        std::string bytes;
        for (char16_t c : text) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
        FILE* out = std::fopen(vermark::platform::to_utf8(ini).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
        return ini;
    }();
    return path;
}

void BM_FileGetInt(benchmark::State& state) {
    const std::u16string& ini = sample_ini();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            vermark::platform::GetPrivateProfileIntW(u"Section19", u"Key19", 0, ini));
}
BENCHMARK(BM_FileGetInt);

void BM_CachedGetInt(benchmark::State& state) {
    const std::u16string& ini = sample_ini();
    vermark::platform::ScopedApplicationObject application({std::nullopt, ini});
    vermark::ProfileStore store;
    for (auto _ : state) benchmark::DoNotOptimize(store.get_int(u"Section19", u"Key19", 0));
}
BENCHMARK(BM_CachedGetInt);

void BM_FileWriteString(benchmark::State& state) {
    const std::u16string& ini = sample_ini();
    int i = 0;
    for (auto _ : state)
        vermark::platform::WritePrivateProfileStringW(
            u"Section10", u"Key10", vermark::platform::from_utf8(std::to_string(++i)), ini);
}
BENCHMARK(BM_FileWriteString);

}  // namespace
