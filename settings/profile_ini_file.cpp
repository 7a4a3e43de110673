// Where a ProfileStore's INI file lives and the form it is kept in (UTF-16 LE with mark, with
// a dated comment header added when an older file is converted).
#include <string>

#include "diag/log.h"
#include "platform/env.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "settings/profile_store.h"
#include "settings/settings_location.h"
#include "text/text_reader.h"
#include "text/text_writer.h"
#include "util/folders.h"
#include "util/path.h"

namespace vermark {

namespace {

constexpr std::u16string_view kRuleLine =
    u";---------------------------------------------------------------------\r\n";

bool has_folder(std::u16string_view name) {
    return name.find_first_of(u"/\\") != std::u16string_view::npos;
}

// The text after the last "." of the whole path, lower-cased; empty without a ".".
std::u16string last_extension_lower(std::u16string_view path) {
    const std::size_t dot = path.rfind(u'.');
    return dot == std::u16string_view::npos ? std::u16string() : to_lower(path.substr(dot + 1));
}

// The program's path without its extension. Only a "." in the file name starts an extension,
// so a dotted folder name is never cut. Under VERMARK_HOME the file goes into that folder, as
// every file the program keeps does.
std::u16string program_path_without_extension() {
    const std::u16string program = platform::executable_path();
    std::u16string name = file_name_of(program);
    const std::size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos && dot > 0) name.resize(dot);
    const std::u16string home = platform::vermark_home();
    const std::u16string folder = home.empty() ? folder_of(program) : home;
    return ensure_separator(folder) + name;
}

std::u16string header_lines() {
    std::u16string header(kRuleLine);
    header += u";\t";
    header += format_now(u"%Y/%m/%d %H:%M:%S");
    header += u"\r\n";
    header += kRuleLine;
    return header;
}

bool starts_with_utf16_mark(std::string_view bytes) {
    return bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
}

std::string utf16_file_bytes(const std::u16string& text) {
    const platform::ByteBuffer bytes = utf16_bytes(text, true);
    return std::string(bytes.begin(), bytes.end());
}

// Rewrites an existing file that is not UTF-16 as UTF-16 LE with mark, the header in front.
// Done in one step under the profile functions' lock: the file is never half written, and
// characters that code page 932 cannot hold survive.
void convert_to_utf16_with_header(const std::u16string& path) {
    platform::rewrite_profile_file(path, [](std::string_view bytes) -> std::optional<std::string> {
        if (starts_with_utf16_mark(bytes)) return std::nullopt;
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        return utf16_file_bytes(header_lines() +
                                decode_text(platform::ByteView(data, bytes.size())));
    });
}

bool file_exists(const std::u16string& path) {
    return exists(path, false);
}

}  // namespace

std::u16string prepare_ini_file(std::u16string_view name) {
    std::u16string path = name.empty() ? program_path_without_extension() : std::u16string(name);
    if (!has_folder(path)) path = ensure_separator(settings_base_folder()) + path;
    if (last_extension_lower(path) != u"ini") path += u".ini";
    const std::u16string folder = folder_of(path);
    if (!folder_exists(folder)) create_folder_chain(folder);
    if (file_exists(path) && !has_utf16_bom(path)) convert_to_utf16_with_header(path);
    return path;
}

void create_missing_ini_file(std::u16string_view path) {
    platform::create_profile_file(path, [] { return utf16_file_bytes(header_lines()); });
}

}  // namespace vermark
