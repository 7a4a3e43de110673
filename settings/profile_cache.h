// The profile cache: values read from and written to settings files during a burst of work,
// kept per process so repeated reads of the same entry skip the file. Keyed by file path,
// section and entry (compared ignoring case), so stores for different files never share values.
// Emptied when a value is put more than 10 seconds after the previous flush.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vermark {

class ProfileCacheEntry {
  public:
    ProfileCacheEntry(std::u16string path, std::u16string section, std::u16string entry,
                      std::int32_t int_value, std::u16string text_value)
        : path_(std::move(path)),
          section_(std::move(section)),
          entry_(std::move(entry)),
          int_value_(int_value),
          text_value_(std::move(text_value)) {}

    void set_int_value(std::int32_t value) { int_value_ = value; }
    void set_text_value(std::u16string value) { text_value_ = std::move(value); }
    void count_hit() { ++hits_; }

    const std::u16string& path() const { return path_; }
    const std::u16string& section() const { return section_; }
    const std::u16string& entry() const { return entry_; }
    std::int32_t int_value() const { return int_value_; }
    const std::u16string& text_value() const { return text_value_; }
    std::int32_t hits() const { return hits_; }

  private:
    std::u16string path_;
    std::u16string section_;
    std::u16string entry_;
    std::int32_t int_value_ = 0;
    std::u16string text_value_;
    std::int32_t hits_ = 0;
};

using ProfileCache = std::vector<ProfileCacheEntry>;

// One copy per process, shared by every ProfileStore. The program runs on one thread.
struct ProfileProcessState {
    std::int32_t cache_switch = 1;     // replaced by "UseProfileCache"
    bool cache_switch_to_read = true;  // cleared by the first store built with a name
    ProfileCache int_cache;
    ProfileCache text_cache;
    std::uint32_t last_flush_seconds = 0;
};

ProfileProcessState& profile_process_state();

// Back to the state at program start (tests run many "program starts" in one process).
void reset_profile_process_state();

// Settings log lines are written only when the running module is not a DLL. This program is
// always an executable; the switch keeps the rule visible where the lines are made.
inline constexpr bool kRunningInsideDll = false;

// Logs each entry ("Cache " line) when `log_on`, then empties the cache.
void cache_flush(ProfileCache& cache, bool log_on);

}  // namespace vermark
