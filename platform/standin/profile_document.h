// The lines of an INI file, each with its own line end, and the edits the private-profile
// functions make to them. Lines that an edit does not touch keep their exact text, so comments,
// blank lines and odd spacing survive every write. Section and key names given to it are taken
// without their surrounding blanks, as the file's own names are.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vermark::platform {

class ProfileDocument {
  public:
    explicit ProfileDocument(std::u16string_view text);

    std::u16string text() const;

    // The value of the first matching key (blanks around it removed, quotes kept); empty
    // optional when the section or key is missing or the key line has no "=".
    std::optional<std::u16string> value(std::u16string_view section, std::u16string_view key) const;
    std::vector<std::u16string> section_names() const;
    // Key names of every section of that name, in file order.
    std::vector<std::u16string> key_names(std::u16string_view section) const;

    // Each returns whether the lines changed.
    bool set_value(std::u16string_view section, std::u16string_view key, std::u16string_view value);
    bool remove_key(std::u16string_view section, std::u16string_view key);
    bool remove_section(std::u16string_view section);

  private:
    struct Line {
        std::u16string text;
        std::u16string end;  // "\r\n", "\n" or empty for a last line without one
    };
    // Index range [first, last) of the lines below a section header, up to the next header.
    struct Range {
        std::size_t header;
        std::size_t first;
        std::size_t last;
    };

    std::vector<Range> sections_named(std::u16string_view section) const;
    std::optional<std::size_t> find_key(const Range& range, std::u16string_view key) const;
    void insert_line(std::size_t at, std::u16string text);

    std::vector<Line> lines_;
};

}  // namespace vermark::platform
