// The settings store the program uses: sections and entries of one UTF-16 INI file (or, when the
// application object names a registry key, values under that key), with a process-wide cache of
// values read and written, and two debug switches read from the file itself.
//
// A store is cheap: construct one where a setting is needed, use it, let it go. The placement
// operations that work on a store live in settings/window_placement.h, so this class needs no
// window types.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/profile_cache.h"
#include "settings/typed_value_format.h"

namespace vermark {

// Settings file sections and entries of the store's own switches.
inline constexpr std::u16string_view kDebugSection = u"Debug";
inline constexpr std::u16string_view kDebugWriteEntry = u"Write";
inline constexpr std::u16string_view kDebugLogEntry = u"Log";
inline constexpr std::u16string_view kCacheSwitchSection = u"Debug\\2009_09";
inline constexpr std::u16string_view kCacheSwitchEntry = u"UseProfileCache";

class ProfileStore {
  public:
    // `name` empty: the application object's profile file, or without an application object the
    // program's own name with ".ini". Otherwise `name` (".ini" appended; give it without
    // extension), placed in the shared settings folder when it has no folder.
    explicit ProfileStore(std::u16string_view name = u"");
    virtual ~ProfileStore() = default;

    // The basic four. Readers return the default for an absent section or entry; with the "Write"
    // switch on, every value read is written back.
    virtual std::int32_t get_int(TextArg section, TextArg entry, std::int32_t default_value);
    virtual bool write_int(TextArg section, TextArg entry, std::int32_t value);
    // An absent default counts as the empty text.
    virtual std::u16string get_string(TextArg section, TextArg entry, TextArg default_value);
    // An absent entry deletes the whole section; an absent value deletes the entry.
    virtual bool write_string(TextArg section, TextArg entry, TextArg value);

    // Write only when the entry is absent (probed with two different defaults).
    virtual bool write_string_if_absent(TextArg section, TextArg entry, TextArg value);
    virtual bool write_int_if_absent(TextArg section, TextArg entry, std::int32_t value);

    // Typed values (formats in settings/typed_value_format.h). The suffixed family writes the
    // suffixed entry and the plain one; the plain entry decides what is read back.
    virtual std::int64_t get_int64(TextArg section, TextArg entry, std::int64_t default_value);
    virtual bool write_int64(TextArg section, TextArg entry, std::int64_t value);
    virtual double get_float(TextArg section, TextArg entry, double default_value);
    virtual bool write_float(TextArg section, TextArg entry, double value);
    virtual Rect get_rect(TextArg section, TextArg entry, Rect default_value);
    virtual bool write_rect(TextArg section, TextArg entry, Rect value);
    virtual Point get_point(TextArg section, TextArg entry, Point default_value);
    virtual bool write_point(TextArg section, TextArg entry, Point value);
    virtual std::int64_t get_hilo(TextArg section, TextArg entry, std::int64_t default_value);
    virtual bool write_hilo(TextArg section, TextArg entry, std::int64_t value);
    // The plain family: the value under the entry name itself.
    virtual double get_float_short(TextArg section, TextArg entry, double default_value);
    virtual bool write_float_short(TextArg section, TextArg entry, double value);
    virtual Rect get_rect_fixed(TextArg section, TextArg entry, Rect default_value);
    virtual bool write_rect_fixed(TextArg section, TextArg entry, Rect value);
    virtual Point get_point_fixed(TextArg section, TextArg entry, Point default_value);
    virtual bool write_point_fixed(TextArg section, TextArg entry, Point value);

    // The basic four without the write-back; reads and writes pass through the profile cache.
    virtual std::int32_t read_int_raw(TextArg section, TextArg entry, std::int32_t default_value);
    virtual bool write_int_raw(TextArg section, TextArg entry, std::int32_t value);
    virtual std::u16string read_string_raw(TextArg section, TextArg entry, TextArg default_value);
    virtual bool write_string_raw(TextArg section, TextArg entry, TextArg value);

    // The INI file's full path; in registry mode the profile name used in the key path.
    virtual std::u16string path() const { return path_; }

    // Profile cache operations on the process-wide caches (settings/profile_cache.h).
    // Index of the entry for (this store's path, section, entry) with its hit counted, or -1.
    virtual int cache_find(ProfileCache& cache, TextArg section, TextArg entry);
    virtual void cache_put_int(TextArg section, TextArg entry, std::int32_t value);
    virtual void cache_put_string(TextArg section, TextArg entry, TextArg value);
    // Flushes both caches when more than 10 seconds passed since the last flush.
    virtual void cache_tick();

    bool write_back() const { return write_back_ != 0; }
    bool logging() const { return log_ != 0; }

  private:
    bool registry_mode() const;
    // The entries of `section` through this store's own (overridable) reads and writes.
    EntryStore entries(TextArg section);
    void log_read(std::u16string_view kind, std::u16string_view section, std::u16string_view entry,
                  std::u16string_view default_text, std::u16string_view value_text) const;

    std::u16string path_;
    std::int32_t write_back_ = 0;
    std::int32_t log_ = 0;
};

// Full path of an INI file for `name`: the program's name when empty, the shared settings folder
// when it has no folder, ".ini" appended unless it ends so. Creates the folder; an existing file
// without a UTF-16 mark gains the three comment header lines and becomes UTF-16 LE with mark.
// A missing file is not created.
std::u16string prepare_ini_file(std::u16string_view name);

// Creates a missing INI file in the form prepare_ini_file gives an existing one: UTF-16 LE with
// mark, holding the header lines. Values are then never squeezed through code page 932, in
// which the platform would create the file. An existing file is left alone.
void create_missing_ini_file(std::u16string_view path);

// Key path of a section in registry mode: the section alone without an application object,
// else "Software\" + registry key + "\" + profile + "\" + section.
std::u16string store_registry_path(std::u16string_view profile, std::u16string_view section);

}  // namespace vermark
