#include "platform/profile.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <vector>

#include "platform/codepage.h"
#include "platform/fs.h"
#include "platform/safe_replace.h"
#include "platform/standin/profile_document.h"
#include "platform/standin/registry_tree.h"
#include "platform/wide.h"

namespace vermark::platform {

namespace {

enum class FileEncoding { cp932, utf16le, utf16be, utf8 };

struct ProfileText {
    FileEncoding encoding = FileEncoding::cp932;
    std::u16string text;
};

// The whole file; empty optional when it cannot be read (a missing file gives no bytes and
// sets `missing`).
std::optional<std::string> read_all(const std::string& path, bool& missing) {
    int error = 0;
    std::optional<std::string> bytes = read_regular_file(from_utf8(path), error);
    missing = !bytes && (error == ENOENT || error == ENOTDIR);
    return missing ? std::optional<std::string>(std::string()) : bytes;
}

std::u16string utf16_of(std::string_view bytes, bool big_endian) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        text += static_cast<char16_t>(big_endian ? (first << 8) | second : (second << 8) | first);
    }
    return text;
}

ProfileText decode(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE"))
        return {FileEncoding::utf16le, utf16_of(bytes.substr(2), false)};
    if (bytes.starts_with("\xFE\xFF"))
        return {FileEncoding::utf16be, utf16_of(bytes.substr(2), true)};
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return {FileEncoding::utf8, multibyte_to_wide(kCodePageUtf8, bytes.substr(3))};
    return {FileEncoding::cp932, multibyte_to_wide(kCodePageShiftJis, bytes)};
}

std::string encode(const ProfileText& profile) {
    std::string bytes;
    switch (profile.encoding) {
        case FileEncoding::utf16le:
        case FileEncoding::utf16be: {
            const bool big = profile.encoding == FileEncoding::utf16be;
            bytes = big ? "\xFE\xFF" : "\xFF\xFE";
            for (char16_t c : profile.text) {
                const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
                bytes += big ? high : low;
                bytes += big ? low : high;
            }
            return bytes;
        }
        case FileEncoding::utf8:
            return "\xEF\xBB\xBF" + wide_to_multibyte(kCodePageUtf8, profile.text).bytes;
        case FileEncoding::cp932:
            break;
    }
    return wide_to_multibyte(kCodePageShiftJis, profile.text).bytes;
}

std::optional<ProfileDocument> load_document(std::u16string_view path) {
    bool missing = false;
    const auto bytes = read_all(native_path(path), missing);
    if (!bytes) return std::nullopt;
    return ProfileDocument(decode(*bytes).text);
}

// Keeps the file's mode, syncs the copy before the rename (a crash leaves the old or the new
// file), and leaves a file its owner may not write as it is: the rename would otherwise change
// it behind its mode's back.
bool replace_file(const std::string& path, std::string_view bytes) {
    ReplaceOptions options;
    options.flush = Flush::to_disk;
    options.keep_mode = true;
    options.refuse_read_only = true;
    return replace_file(from_utf8(path), bytes, options) == 0;
}

// A symbolic link is followed, so the file it names is replaced and the link stays.
std::string write_target(std::u16string_view path) {
    std::string native = native_path(path);
    std::error_code error;
    if (std::filesystem::is_symlink(native, error)) {
        const auto target = std::filesystem::weakly_canonical(native, error);
        if (!error) native = target.string();
    }
    return native;
}

// Holds the side lock and reads the file; `bytes` empty optional when it cannot be read.
struct LockedRead {
    explicit LockedRead(std::u16string_view path)
        : native(write_target(path)), lock(from_utf8(native)) {
        if (lock.held()) bytes = read_all(native, missing);
    }
    std::string native;
    SideLock lock;
    bool missing = false;
    std::optional<std::string> bytes;
};

// Re-reads the file under the side lock, lets `edit` change it, and replaces the file when it
// changed. A missing file starts empty, in code page 932.
bool update_file(std::u16string_view path, const std::function<bool(ProfileDocument&)>& edit) {
    LockedRead file(path);
    if (!file.bytes) return false;  // unreadable: never replace what we could not read
    ProfileText profile = decode(*file.bytes);
    ProfileDocument document(profile.text);
    if (!edit(document)) return true;
    profile.text = document.text();
    return replace_file(file.native, encode(profile));
}

std::u16string one_line(std::u16string_view text) {
    std::u16string line(text);
    for (char16_t& c : line)
        if (c == u'\r' || c == u'\n') c = u' ';
    return line;
}

std::u16string_view strip_quotes(std::u16string_view value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::uint32_t copy_text(std::u16string_view text, char16_t* buffer, std::uint32_t size) {
    const std::size_t count = std::min<std::size_t>(text.size(), size - 1);
    text.copy(buffer, count);
    buffer[count] = 0;
    return static_cast<std::uint32_t>(count);
}

// Names each ended by a zero, then a final zero; cut to two zeros when it does not fit.
std::uint32_t copy_list(const std::vector<std::u16string>& names, char16_t* buffer,
                        std::uint32_t size) {
    std::u16string list;
    for (const auto& name : names) {
        list += name;
        list += u'\0';
    }
    if (list.size() + 1 <= size) {
        list.copy(buffer, list.size());
        buffer[list.size()] = 0;
        return static_cast<std::uint32_t>(list.size());
    }
    if (size < 2) {
        buffer[0] = 0;
        return 0;
    }
    list.copy(buffer, size - 2);
    buffer[size - 2] = 0;
    buffer[size - 1] = 0;
    return size - 2;
}

std::u16string_view without_trailing_blanks(std::u16string_view text) {
    while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
    return text;
}

}  // namespace

// Section and key names compare as registry key names do: every letter upper-cased, not only
// those of a few scripts.
bool profile_names_equal(std::u16string_view a, std::u16string_view b) {
    return same_reg_name(a, b);
}

std::uint32_t GetPrivateProfileStringW(ProfileName section, ProfileName key,
                                       ProfileName default_value, char16_t* buffer,
                                       std::uint32_t size, std::u16string_view path) {
    if (buffer == nullptr || size == 0) return 0;
    const auto document = load_document(path);
    if (!section)
        return copy_list(document ? document->section_names() : std::vector<std::u16string>{},
                         buffer, size);
    if (!key)
        return copy_list(document ? document->key_names(*section) : std::vector<std::u16string>{},
                         buffer, size);
    if (document) {
        if (auto value = document->value(*section, *key))
            return copy_text(strip_quotes(*value), buffer, size);
    }
    return copy_text(without_trailing_blanks(default_value.value_or(u"")), buffer, size);
}

std::uint32_t GetPrivateProfileIntW(ProfileName section, ProfileName key,
                                    std::int32_t default_value, std::u16string_view path) {
    if (!section || !key) return static_cast<std::uint32_t>(default_value);
    const auto document = load_document(path);
    const auto value = document ? document->value(*section, *key) : std::nullopt;
    const std::u16string_view text = value ? strip_quotes(*value) : std::u16string_view();
    if (text.empty()) return static_cast<std::uint32_t>(default_value);
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    const bool negative = i < text.size() && text[i] == u'-';
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ++i;
    std::uint32_t number = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        number = number * 10 + static_cast<std::uint32_t>(text[i] - u'0');
    return negative ? 0u - number : number;
}

bool rewrite_profile_file(
    std::u16string_view path,
    const std::function<std::optional<std::string>(std::string_view)>& transform) {
    LockedRead file(path);
    if (!file.bytes || file.missing) return false;
    const auto replacement = transform(*file.bytes);
    return !replacement || replace_file(file.native, *replacement);
}

bool create_profile_file(std::u16string_view path, const std::function<std::string()>& content) {
    struct stat info {};
    if (::stat(write_target(path).c_str(), &info) == 0) return true;  // the usual case
    LockedRead file(path);
    if (!file.bytes) return false;
    return !file.missing || replace_file(file.native, content());
}

bool WritePrivateProfileStringW(ProfileName section, ProfileName key, ProfileName value,
                                std::u16string_view path) {
    if (!section) return false;
    const std::u16string section_name = one_line(*section);
    if (!key)
        return update_file(path,
                           [&](ProfileDocument& d) { return d.remove_section(section_name); });
    const std::u16string key_name = one_line(*key);
    if (!value)
        return update_file(
            path, [&](ProfileDocument& d) { return d.remove_key(section_name, key_name); });
    const std::u16string text = one_line(*value);
    return update_file(
        path, [&](ProfileDocument& d) { return d.set_value(section_name, key_name, text); });
}

}  // namespace vermark::platform
