#include "util/folder_listing.h"

#include "platform/clock.h"
#include "platform/fs.h"
#include "util/deferred_file_ops.h"
#include "util/folders.h"

namespace vermark {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

bool is_dot_entry(std::u16string_view name) {
    return name == u"." || name == u"..";
}

// Where `piece` occurs in `name` at or after `from`; npos when it does not.
std::size_t find_piece(std::u16string_view name, std::u16string_view piece, std::size_t from) {
    return from > name.size() ? std::u16string_view::npos : name.find(piece, from);
}

// Not read-only and last modified at least `days` days before now.
bool is_old_enough_to_purge(std::u16string_view path, int days) {
    const auto status = platform::file_status(path);
    if (!status || status->read_only) return false;
    const std::int64_t limit = static_cast<std::int64_t>(days) * kSecondsPerDay;
    const auto age = static_cast<std::int64_t>(platform::current_time()) -
                     static_cast<std::int64_t>(status->modified);
    return age >= limit;
}

}  // namespace

StringList list_folder(std::u16string_view folder, bool skip_dots) {
    StringList out;
    const auto entries = platform::read_folder(folder);
    if (!entries) return out;
    const std::u16string prefix = ensure_separator(folder);
    for (const auto& entry : *entries) {
        if (skip_dots && is_dot_entry(entry.name)) continue;
        std::u16string path = prefix + entry.name;
        if (entry.is_folder) path.push_back(kSeparator);
        out.push_back(std::move(path));
    }
    return out;
}

StringList list_files(std::u16string_view path, bool skip_dots) {
    if (folder_exists(path)) return list_folder(path, skip_dots);
    return list_folder(folder_of(path), skip_dots);
}

StringList find_files(std::u16string_view folder, std::u16string_view pattern) {
    StringList out;
    for (auto& entry : list_files(folder, true)) {
        if (is_separator(entry.back())) continue;
        if (matches_wildcard(file_name_of(entry), pattern)) out.push_back(std::move(entry));
    }
    return out;
}

bool matches_wildcard(std::u16string_view name_text, std::u16string_view pattern_text) {
    if (pattern_text.empty() || pattern_text == u"*") return true;
    const std::u16string name = to_lower(name_text);
    const std::u16string pattern = to_lower(pattern_text);
    if (pattern == u"*.*") return name.find(u'.') != std::u16string::npos;

    // Split at every '*' as it stands: quotes in file names are plain characters here.
    StringList pieces;
    for (std::size_t start = 0; start <= pattern.size();) {
        std::size_t star = pattern.find(u'*', start);
        if (star == std::u16string::npos) star = pattern.size();
        if (star > start) pieces.push_back(pattern.substr(start, star - start));
        start = star + 1;
    }
    const bool anchored_start = pattern.front() != u'*';
    const bool anchored_end = pattern.back() != u'*';
    if (pieces.empty()) return true;  // only stars
    // The last piece of an end-anchored pattern is matched at the very end; it must not reuse
    // characters an earlier piece took ("abc" does not match "abcabc").
    const std::size_t free_count = pieces.size() - (anchored_end ? 1 : 0);
    std::size_t pos = 0;
    for (std::size_t i = 0; i < free_count; ++i) {
        const std::size_t at = find_piece(name, pieces[i], pos);
        if (at == std::u16string::npos || (i == 0 && anchored_start && at != 0)) return false;
        pos = at + pieces[i].size();
    }
    if (!anchored_end) return true;
    const std::u16string& last = pieces.back();
    if (last.size() > name.size() || name.size() - last.size() < pos) return false;
    if (free_count == 0 && anchored_start) return name == last;
    return name.ends_with(last);
}

bool purge_old_files(std::u16string_view path, int days) {
    const std::u16string folder = folder_of(path);
    // Listing a missing folder would list its parent instead and purge unrelated files there.
    if (!folder_exists(folder)) return true;
    const std::u16string pattern = stem_of(path) + u"*." + extension_of(path);
    bool scheduled = false;
    for (const auto& file : find_files(folder, pattern)) {
        if (!is_old_enough_to_purge(file, days)) continue;
        deferred_file_ops().remove_later(file);
        scheduled = true;
    }
    return !scheduled;
}

bool purge_old_folder(std::u16string_view folder, int days) {
    const std::u16string path = strip_separator(folder);
    if (!folder_exists(path) || !is_old_enough_to_purge(path, days)) return true;
    for (const auto& entry : list_folder(path, true)) {
        if (!is_separator(entry.back())) deferred_file_ops().remove_later(entry);
    }
    deferred_file_ops().remove_later(path);
    return false;
}

bool copy_file(std::u16string_view source, std::u16string_view target, bool fail_if_exists) {
    if (!exists(source)) return false;
    if (fail_if_exists && exists(target)) return false;
    const std::u16string folder = folder_of(target);
    if (!folder_exists(folder) && !create_folder_chain(folder)) return false;
    return platform::copy_file_contents(source, target);
}

bool folder_is_empty(std::u16string_view folder_text) {
    std::u16string folder = strip_separator(folder_text);
    if (folder.empty()) folder = folder_text;
    if (!folder_exists(folder)) folder = folder_of(folder);
    const auto entries = platform::read_folder(folder);
    if (!entries) return true;
    for (const auto& entry : *entries)
        if (!is_dot_entry(entry.name)) return false;
    return true;
}

}  // namespace vermark
