#include "util/path.h"

#include <cstdio>

#include "platform/fs.h"
#include "platform/process.h"
#include "platform/text_case.h"
#include "platform/wide.h"

namespace vermark {
namespace {

constexpr std::u16string_view kSeparators = u"/\\";

std::size_t last_separator(std::u16string_view path) {
    return path.find_last_of(kSeparators);
}

// The file name, or empty when stem/extension rules reject it.
std::u16string_view usable_name(std::u16string_view path) {
    const std::size_t cut = last_separator(path);
    const std::u16string_view name = cut == std::u16string_view::npos ? path : path.substr(cut + 1);
    if (name.empty() || name == u" " || name.find(u'?') != std::u16string_view::npos) return {};
    return name;
}

}  // namespace

std::u16string ensure_separator(std::u16string_view path, char16_t sep) {
    std::u16string out(path);
    if (!out.empty() && !is_separator(out.back())) out.push_back(sep);
    return out;
}

std::u16string strip_separator(std::u16string_view path) {
    if (!path.empty() && is_separator(path.back())) path.remove_suffix(1);
    return std::u16string(path);
}

std::u16string file_name_of(std::u16string_view path) {
    const std::size_t cut = last_separator(path);
    return std::u16string(cut == std::u16string_view::npos ? path : path.substr(cut + 1));
}

std::u16string framework_file_name_of(std::u16string_view path) {
    if (last_separator(path) == std::u16string_view::npos) return u"????????.???";
    return file_name_of(path);
}

std::u16string folder_of(std::u16string_view path) {
    const std::size_t cut = last_separator(path);
    if (cut == std::u16string_view::npos) return std::u16string(1, kSeparator);
    // The root's name is its separator: "/plan.dxf" lies in "/", not in "" (which would make
    // change_extension's result relative to the current folder).
    if (cut == 0) return std::u16string(path.substr(0, 1));
    return std::u16string(path.substr(0, cut));
}

std::u16string stem_of(std::u16string_view path) {
    const std::u16string_view name = usable_name(path);
    const std::size_t dot = name.rfind(u'.');
    return std::u16string(dot == std::u16string_view::npos ? name : name.substr(0, dot));
}

std::u16string extension_of(std::u16string_view path) {
    const std::u16string_view name = usable_name(path);
    const std::size_t dot = name.rfind(u'.');
    return dot == std::u16string_view::npos ? std::u16string()
                                            : std::u16string(name.substr(dot + 1));
}

std::u16string extension_lower_of(std::u16string_view path) {
    return to_lower(extension_of(path));
}

std::u16string to_lower(std::u16string_view text) {
    return platform::ascii_lower(text);
}

std::u16string change_extension(std::u16string_view path, std::u16string_view ext) {
    std::u16string out = ensure_separator(folder_of(path)) + stem_of(path);
    if (!ext.empty()) {
        if (ext.front() != u'.') out.push_back(u'.');
        out.append(ext);
    }
    return out;
}

std::u16string normalise_separators(std::u16string_view path, char16_t sep) {
    std::u16string out;
    std::size_t index = 0;
    bool leading_empty = false;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of(kSeparators, start);
        if (end == std::u16string_view::npos) end = path.size();
        const std::u16string_view part = path.substr(start, end - start);
        // Empty parts go, except the ones that make a leading "/" or "//".
        const bool keep = !part.empty() || index == 0 || (index == 1 && leading_empty);
        if (keep) {
            if (index > 0) out.push_back(sep);
            out.append(part);
            if (index == 0) leading_empty = part.empty();
            ++index;
        }
        start = end + 1;
    }
    return out;
}

StringList split(std::u16string_view text, std::u16string_view delimiters, bool whole) {
    StringList out;
    if (delimiters.empty()) {
        if (!text.empty()) out.emplace_back(text);
        return out;
    }
    const auto find_delimiter = [&](std::size_t from) {
        return whole ? text.find(delimiters, from) : text.find_first_of(delimiters, from);
    };
    const std::size_t step = whole ? delimiters.size() : 1;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t search_from = pos;
        const char16_t first = text[pos];
        if (first == u'"' || first == u'\'') {
            const std::size_t close = text.find(first, pos + 1);
            if (close == std::u16string_view::npos) break;  // unclosed: the rest is one piece
            search_from = close + 1;
        }
        const std::size_t cut = find_delimiter(search_from);
        if (cut == std::u16string_view::npos) break;
        out.emplace_back(text.substr(pos, cut - pos));
        pos = cut + step;
    }
    if (pos < text.size()) out.emplace_back(text.substr(pos));
    return out;
}

std::u16string join(const StringList& list, std::u16string_view separator) {
    std::size_t total = 0;
    for (const auto& item : list) total += item.size() + separator.size();
    std::u16string out;
    out.reserve(total);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i > 0) out.append(separator);
        out.append(list[i]);
    }
    return out;
}

namespace {
struct SavedArguments {
    StringList list;
    bool empty_reported = false;
};
SavedArguments& saved_arguments() {
    static SavedArguments saved;
    return saved;
}
void write_error_line(std::u16string_view text) {
    std::fputs((platform::to_utf8(text) + "\n").c_str(), stderr);
}
}  // namespace

void set_saved_arguments(StringList arguments) {
    saved_arguments() = SavedArguments{std::move(arguments), false};
}

std::u16string get_arv() {
    const std::u16string platform_answer = platform::executable_path();
    SavedArguments& saved = saved_arguments();
    if (saved.list.empty()) {
        if (!saved.empty_reported) write_error_line(u"::get_arv() ... empty");
        saved.empty_reported = true;
        return platform_answer;
    }
    const std::u16string& first = saved.list.front();
    if (platform_answer.empty()) return first;
    if (!first.empty() && first != platform_answer) {
        write_error_line(platform_answer);
        write_error_line(first);
    }
    return platform_answer;
}

bool is_network_name(std::u16string_view path) {
    return path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]);
}

bool exists(std::u16string_view path, bool reject_empty) {
    if (path.empty()) return false;
    if (is_network_name(path)) return platform::can_access(path);
    const auto status = platform::file_status(path);
    if (!status) return false;
    if (status->size > 0 || status->is_folder) return true;
    return !reject_empty;
}

bool folder_exists(std::u16string_view path) {
    std::u16string folder = strip_separator(path);
    if (folder.empty()) folder = path;  // the root "/" keeps its one separator
    if (folder.empty()) return false;
    if (is_network_name(folder)) return platform::can_access(folder);
    const auto status = platform::file_status(folder);
    return status && status->is_folder;
}

}  // namespace vermark
