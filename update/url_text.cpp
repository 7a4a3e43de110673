// URL-to-local-name mapping and the text helpers it rests on.
#include "update/url_text.h"

#include <algorithm>
#include <array>
#include <optional>

#include "util/path.h"

namespace vermark {
namespace {

constexpr std::u16string_view kSeparators = u"\\/";
constexpr std::u16string_view kEllipsis = u"...";
// Separator, "..." and separator between root and rest of a compacted path.
constexpr std::size_t kEllipsisRoom = 5;
constexpr std::size_t kLocalNameLimit = 100;

constexpr std::array<std::u16string_view, 16> kKnownExtensions = {
    u"htm", u"html", u"css",  u"js",  u"xml", u"txt", u"svg", u"ico",
    u"png", u"jpg",  u"jpeg", u"gif", u"bmp", u"emf", u"zip", u"msi"};

struct Replacement {
    std::u16string_view what;
    std::u16string_view by;
};

// Characters a local name cannot hold, before the length limit...
constexpr std::array<Replacement, 6> kBeforeLimit = {{{u"https:", u"//"},
                                                      {u"http:", u"//"},
                                                      {u"+", u"/"},
                                                      {u"&", u"/"},
                                                      {u"?", u"/"},
                                                      {u":", u"/"}}};
// ...and after it; ".." by "." collapses any run of dots.
constexpr std::array<Replacement, 3> kAfterLimit = {{{u"=", u"."}, {u"%", u"/"}, {u"..", u"."}}};

template <std::size_t N>
std::u16string replace_each(std::u16string text, const std::array<Replacement, N>& table) {
    for (const Replacement& r : table) text = replace_all(text, r.what, r.by);
    return text;
}

std::u16string_view default_document_for(std::u16string_view extension) {
    if (extension.empty()) return u"/_.htm";
    for (std::u16string_view known : kKnownExtensions) {
        if (extension == known) return u"";
    }
    return u"/_.html";
}

// A compacted path keeps the separator the path itself uses.
char16_t separator_style(std::u16string_view path) {
    const std::size_t at = path.find_first_of(kSeparators);
    return at == std::u16string_view::npos ? kSeparator : path[at];
}

// The root of `path` extended by its first folder ("C:" -> "C:/one").
std::u16string root_with_first_folder(std::u16string_view path, std::size_t name_length) {
    std::u16string root = path_root(path);
    if (path.size() > name_length + 3) {
        const std::size_t end = path.find_first_of(kSeparators, root.size() + 1);
        if (end != std::u16string_view::npos) root = std::u16string(path.substr(0, end));
    }
    return root;
}

// The first occurrence of `what` in `carry` + `text` from `next`, as an offset into that
// joined text. Occurrences in `text` are looked up once and kept until the search passes them.
class NextOccurrence {
  public:
    std::size_t first(std::u16string_view carry, std::u16string_view text, std::size_t next,
                      std::u16string_view what) {
        if (!carry.empty()) {
            std::u16string window(carry);
            window += text.substr(std::min(next, text.size()), what.size() - 1);
            const std::size_t in_carry = window.find(what);
            if (in_carry < carry.size()) return in_carry;
        }
        if (!known_ || (at_ != std::u16string_view::npos && at_ < next)) {
            at_ = next < text.size() ? text.find(what, next) : std::u16string_view::npos;
            known_ = true;
        }
        return at_ == std::u16string_view::npos ? at_ : carry.size() + (at_ - next);
    }

  private:
    bool known_ = false;
    std::size_t at_ = 0;
};

}  // namespace

std::u16string unquote(std::u16string_view text) {
    if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') &&
        text.back() == text.front()) {
        return std::u16string(text.substr(1, text.size() - 2));
    }
    return std::u16string(text);
}

std::u16string unquote_all(std::u16string_view text) {
    std::u16string current(text);
    for (;;) {
        std::u16string next = unquote(current);
        if (next.size() == current.size()) return current;
        current = std::move(next);
    }
}

std::u16string replace_all(std::u16string_view text, std::u16string_view what,
                           std::u16string_view by) {
    if (what.empty()) return std::u16string(text);  // replacing "" would insert everywhere
    // The text from the search position on is the part of the last replacement still to be
    // searched (`carry`) followed by the input from `next`. The input itself never changes, so
    // its lower-case copy is made once and its occurrences are found once each: a long text is
    // done in one pass instead of a search and a copy of the whole text per replacement.
    std::optional<std::u16string> lower_text;
    const std::u16string what_lower = to_lower(what);
    NextOccurrence exact, any_case;
    std::u16string out;
    out.reserve(text.size());
    std::u16string carry;
    std::size_t next = 0;
    while (!carry.empty() || next < text.size()) {
        std::size_t found = exact.first(carry, text, next, what);
        if (found == std::u16string::npos) {
            if (!lower_text) lower_text = to_lower(text);
            found = any_case.first(to_lower(carry), *lower_text, next, what_lower);
            if (found == std::u16string::npos) break;
        }
        std::u16string rest_of_carry;
        if (found < carry.size()) {
            out.append(carry, 0, found);
            if (found + what.size() <= carry.size()) {
                rest_of_carry = carry.substr(found + what.size());
            } else {
                next += found + what.size() - carry.size();
            }
        } else {
            out += carry;
            out.append(text.substr(next, found - carry.size()));
            next += found - carry.size() + what.size();
        }
        // A shorter `by` is searched again from its start (".." by "." collapses a run of
        // dots); a longer one from its last |what| - 1 characters.
        const std::size_t searched_again =
            by.size() < what.size() ? 0 : by.size() - what.size() + 1;
        out.append(by.substr(0, searched_again));
        carry = std::u16string(by.substr(searched_again)) + rest_of_carry;
    }
    out += carry;
    out.append(text.substr(std::min(next, text.size())));
    return out;
}

std::u16string strip_leading_separator(std::u16string_view text) {
    if (!text.empty() && is_separator(text.front())) text.remove_prefix(1);
    return std::u16string(text);
}

std::u16string path_root(std::u16string_view path) {
    if (path.size() < 2) return {};
    if (path[1] == u':') return std::u16string(path.substr(0, 2));
    if (is_separator(path[0]) && path[1] == path[0]) {
        const std::size_t end = path.find_first_of(kSeparators, 2);
        if (end != std::u16string_view::npos) return std::u16string(path.substr(0, end));
    }
    return {};
}

std::u16string compact_path(std::u16string_view path, std::size_t limit) {
    const std::u16string name = file_name_of(path);
    if (limit >= path.size()) return std::u16string(path);
    if (limit < name.size()) return name;
    const std::u16string root = root_with_first_folder(path, name.size());
    if (limit < root.size() + name.size() + kEllipsisRoom) return name;

    std::u16string_view rest = path.substr(std::min(path.size(), root.size() + 1));
    while (rest.size() + root.size() + kEllipsisRoom > limit) {
        const std::size_t end = rest.find_first_of(kSeparators);
        if (end == std::u16string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    const char16_t sep = separator_style(path);
    std::u16string result = ensure_separator(root, sep);
    result += kEllipsis;
    result += sep;
    result += rest;
    return result;
}

std::u16string url_local_name(std::u16string_view url) {
    std::u16string b = strip_separator(url);
    b += default_document_for(to_lower(extension_of(url)));
    b = normalise_separators(b);
    b = replace_each(std::move(b), kBeforeLimit);
    b = compact_path(normalise_separators(b), kLocalNameLimit);
    b = replace_each(std::move(b), kAfterLimit);
    b = normalise_separators(u"./" + strip_leading_separator(b));

    // Dots in folder names (a host's labels, query values) become '_'; the file keeps its own.
    std::u16string folder = folder_of(b);
    for (char16_t& c : folder) {
        if (c == u'.') c = u'_';
    }
    return normalise_separators(ensure_separator(folder) + file_name_of(b));
}

}  // namespace vermark
