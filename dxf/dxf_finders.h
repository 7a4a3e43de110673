// The two searches that inspection and stamping run over a file's text units, for whichever unit
// type the file's layout gives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dxf/dxf_scan.h"
#include "text/encoding.h"

namespace vermark {

class TextFinders {
  public:
    void units(const std::uint8_t* units, std::size_t count);
    void units(const char16_t* units, std::size_t count);
    // As units(), for bytes that is_plain_ascii() found to hold no '$'.
    void plain_units(const std::uint8_t* units, std::size_t count);
    void finish();

    bool header_found() const;
    std::uint64_t insert_at() const;
    LineEnd line_end() const;

    bool acadver_found() const { return acadver8_.found() || acadver16_.found(); }
    bool window_full() const { return acadver8_.window_full() && acadver16_.window_full(); }
    // The version recorded at the first "$ACADVER"; byte text is read in the code page that
    // `code` decodes with (UTF-8 for kUtf8, else 932).
    RecordedVersion version(TextEncoding code) const;

  private:
    // A byte window of this many bytes holds 100 characters in any multi-byte text of the file.
    static constexpr std::size_t kByteWindow = 400;

    bool wide_ = false;
    HeaderSectionFinder<std::uint8_t> header8_;
    HeaderSectionFinder<char16_t> header16_;
    AcadverFinder<std::uint8_t> acadver8_{kByteWindow};
    AcadverFinder<char16_t> acadver16_{100};
};

}  // namespace vermark
