// Cost of the settings registry: a read served from the parsed tree, a read after another
// program changed the file (parse again), and a write (lock, re-read, replace the file, fsync).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "settings/registry_store.h"

namespace {

namespace fs = std::filesystem;
using vermark::platform::HKEY_CURRENT_USER;

// A registry file of its own in a fresh temporary folder, filled with `keys` keys of 4 values.
class ScratchRegistry {
  public:
    explicit ScratchRegistry(int keys) {
        std::string pattern = (fs::temp_directory_path() / "vermark-bench-XXXXXX").string();
        folder_ = ::mkdtemp(pattern.data());
        vermark::platform::use_registry_file(folder_ / "HKEY_CURRENT_USER.reg");
        vermark::RegistryStore store;
        for (int k = 0; k < keys; ++k) {
            std::u16string key = u"Software\\r_Utile\\Key";
            for (char c : std::to_string(k)) key += static_cast<char16_t>(c);
            store.write_int(HKEY_CURRENT_USER, key, u"Count", k);
            store.write_string(HKEY_CURRENT_USER, key, u"Name", u"some text value");
            store.write_rect(HKEY_CURRENT_USER, key, u"Position", {10, 20, 300, 400});
        }
    }
    ~ScratchRegistry() {
        vermark::platform::use_registry_file({});
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    fs::path file() const { return folder_ / "HKEY_CURRENT_USER.reg"; }

  private:
    fs::path folder_;
};

// The key every measurement reads or writes; ScratchRegistry always fills it.
constexpr std::u16string_view kMeasuredKey = u"Software\\r_Utile\\Key1";

std::int32_t read_count(vermark::RegistryStore& store) {
    return store.get_int(HKEY_CURRENT_USER, kMeasuredKey, u"Count", 0);
}

void BM_RegistryGetInt(benchmark::State& state) {
    ScratchRegistry registry(static_cast<int>(state.range(0)));
    vermark::RegistryStore store;
    for (auto _ : state) benchmark::DoNotOptimize(read_count(store));
}
BENCHMARK(BM_RegistryGetInt)->Arg(10)->Arg(200);

void BM_RegistryGetIntAfterOutsideChange(benchmark::State& state) {
    ScratchRegistry registry(static_cast<int>(state.range(0)));
    vermark::RegistryStore store;
    const fs::path file = registry.file();
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(file, file.string() + ".copy", fs::copy_options::overwrite_existing);
        fs::rename(file.string() + ".copy", file);  // a new inode: another program's save
        state.ResumeTiming();
        benchmark::DoNotOptimize(read_count(store));
    }
}
BENCHMARK(BM_RegistryGetIntAfterOutsideChange)->Arg(10)->Arg(200);

void BM_RegistryWriteInt(benchmark::State& state) {
    ScratchRegistry registry(static_cast<int>(state.range(0)));
    vermark::RegistryStore store;
    std::int32_t value = 0;
    for (auto _ : state) store.write_int(HKEY_CURRENT_USER, kMeasuredKey, u"Count", ++value);
}
BENCHMARK(BM_RegistryWriteInt)->Arg(10)->Arg(200);

}  // namespace
