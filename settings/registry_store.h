// Settings kept as registry values. Every operation names its key afresh (root and subkey
// path), opens it, does one thing and closes it again. Failures are never thrown or shown: the
// operation returns its default (or false) and leaves a fixed text, followed by the key path
// and the value name, in last_error().
//
// Typed values (64-bit, floating, rectangle, point) use the formats of
// settings/typed_value_format.h, the same texts the INI store writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "settings/typed_value_format.h"

namespace vermark {

// Failure texts, each 13 characters wide, padded with ideographic spaces.
inline constexpr std::u16string_view kRegCannotOpenKey = u"指定セクションを開けない　";
inline constexpr std::u16string_view kRegNoSuchValue = u"エントリが存在しない　　　";
inline constexpr std::u16string_view kRegNotDword = u"ＲＥＧ＿ＤＷＯＲＤでない　";
inline constexpr std::u16string_view kRegNotText = u"ＲＥＧ＿ＳＺでない　　　　";
inline constexpr std::u16string_view kRegCannotWrite = u"登録に失敗　　　　　　　　";
inline constexpr std::u16string_view kRegCannotDeleteValue = u"削除に失敗　　値　　　　　";
inline constexpr std::u16string_view kRegCannotDeleteKey = u"削除に失敗　　キー　　　　";

class RegistryStore {
  public:
    RegistryStore() = default;
    // Closes a key left open by open_key or check_value_type.
    virtual ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // REG_SZ read up to its first zero character; the default (absent: empty) on any failure.
    virtual std::u16string get_string(platform::HKEY root, TextArg subkey, TextArg name,
                                      TextArg default_value);
    // REG_DWORD read; the default on any failure.
    virtual std::int32_t get_int(platform::HKEY root, TextArg subkey, TextArg name,
                                 std::int32_t default_value);
    // Creates the key (and its parents) when missing. An absent name deletes the key itself,
    // an absent value deletes the value.
    virtual bool write_string(platform::HKEY root, TextArg subkey, TextArg name, TextArg value);
    virtual bool write_int(platform::HKEY root, TextArg subkey, TextArg name, std::int32_t value);

    // Typed values. The 64-bit value is decided by its halves (name + "_H", "_L"); the others
    // are texts under name + "_Flt_", "_LTRB", "_L_XY".
    virtual std::int64_t get_int64(platform::HKEY root, TextArg subkey, TextArg name,
                                   std::int64_t default_value);
    virtual bool write_int64(platform::HKEY root, TextArg subkey, TextArg name, std::int64_t value);
    virtual double get_float(platform::HKEY root, TextArg subkey, TextArg name,
                             double default_value);
    virtual bool write_float(platform::HKEY root, TextArg subkey, TextArg name, double value);
    virtual Rect get_rect(platform::HKEY root, TextArg subkey, TextArg name, Rect default_value);
    virtual bool write_rect(platform::HKEY root, TextArg subkey, TextArg name, Rect value);
    virtual Point get_point(platform::HKEY root, TextArg subkey, TextArg name, Point default_value);
    virtual bool write_point(platform::HKEY root, TextArg subkey, TextArg name, Point value);
    virtual std::int64_t get_hilo(platform::HKEY root, TextArg subkey, TextArg name,
                                  std::int64_t default_value);
    virtual bool write_hilo(platform::HKEY root, TextArg subkey, TextArg name, std::int64_t value);

    virtual bool delete_value(platform::HKEY root, TextArg subkey, TextArg name);
    // Deletes subkey\child only; a child with subkeys of its own is not deleted.
    virtual bool delete_key(platform::HKEY root, TextArg subkey, TextArg child);
    // Names of the subkeys (values) of root\subkey; true also when there are none.
    virtual bool enum_keys(platform::HKEY root, TextArg subkey, std::vector<std::u16string>& list);
    virtual bool enum_values(platform::HKEY root, TextArg subkey,
                             std::vector<std::u16string>& list);

    virtual std::u16string last_error() const { return last_error_; }

    // Opens root\subkey (creating it when `create` is set) as the object's one open key,
    // closing any other first; clears the last error. HKEY::none on failure.
    virtual platform::HKEY open_key(platform::HKEY root, TextArg subkey, std::uint32_t access,
                                    bool create);
    // The type of a value of the open key (0 when missing). A missing value, or one not of the
    // expected REG_DWORD / REG_SZ type, sets the last error and closes the key.
    virtual std::uint32_t check_value_type(TextArg name, std::uint32_t expected);
    virtual bool close_key();

  private:
    // The values of root\subkey through this store's own (overridable) reads and writes.
    EntryStore entries(platform::HKEY root, TextArg subkey);
    bool enum_names(platform::HKEY root, TextArg subkey, std::vector<std::u16string>& list,
                    bool keys);
    void fail(std::u16string_view text, std::u16string_view name);

    platform::HKEY root_ = platform::HKEY::none;
    std::u16string subkey_;
    std::u16string value_name_;
    platform::HKEY open_key_ = platform::HKEY::none;
    std::uint32_t value_type_ = 0;
    std::uint32_t value_size_ = 0;
    std::u16string last_error_;
};

}  // namespace vermark
