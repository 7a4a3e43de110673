// URL-to-local-name mapping and the text helpers it rests on.
#include "update/url_text.h"

#include <array>

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

}  // namespace

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
    std::u16string result(text);
    if (what.empty()) return result;  // nothing to find; replacing "" would insert everywhere
    const std::u16string what_lower = to_lower(what);
    std::size_t position = 0;
    while (position < result.size()) {
        std::size_t found = result.find(what, position);
        if (found == std::u16string::npos) {
            // to_lower keeps the length, so positions in the lowered copy hold for the text.
            found = to_lower(result).find(what_lower, position);
            if (found == std::u16string::npos) break;
        }
        result.replace(found, what.size(), by);
        position = by.size() < what.size() ? found : found + (by.size() - what.size()) + 1;
    }
    return result;
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
