// Reads the string table of a program file's version resource: the first language and code page
// listed, and the twelve standard names under it. Problems go to standard error as short lines.
// Only the running program carries a version resource on this system (see
// platform/version_resource_store.h); any other file reports "no version resource".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vermark {

class VersionInfo {
  public:
    VersionInfo() = default;
    virtual ~VersionInfo() = default;
    // Stores the path and loads the resource when the file exists.
    explicit VersionInfo(std::u16string_view path);

    // Stores the path; false when it is empty or the file is missing, else the result of load().
    virtual bool open(std::u16string_view path);
    // The value of `name` under the first translation; empty when missing (loads first if needed).
    virtual std::u16string query(std::u16string_view name);
    virtual bool load();

    virtual std::u16string comments();
    virtual std::u16string company_name();
    virtual std::u16string file_description();
    virtual std::u16string file_version();
    virtual std::u16string internal_name();
    virtual std::u16string legal_copyright();
    virtual std::u16string legal_trademarks();
    virtual std::u16string original_filename();
    virtual std::u16string private_build();
    virtual std::u16string product_name();
    virtual std::u16string product_version();
    virtual std::u16string special_build();

    const std::u16string& path() const { return path_; }
    // "\StringFileInfo\" + language + code page (4 lower-case hex digits each) + "\" once loaded.
    const std::u16string& prefix() const { return prefix_; }

  private:
    std::u16string path_;
    std::uint32_t handle_ = 0;
    std::uint32_t size_ = 0;
    std::vector<std::uint8_t> data_;
    std::u16string prefix_;
};

// `value` in `radix` (clamped to 2..36, lower-case letters above 9), left-padded with '0' to
// `width`; a longer result is not cut.
std::u16string unsigned_text(std::uint32_t value, int radix, std::size_t width);

}  // namespace vermark
