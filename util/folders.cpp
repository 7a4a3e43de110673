#include "util/folders.h"

#include <optional>

#include "platform/env.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "settings/version_info.h"
#include "util/path.h"

namespace vermark {
namespace {

bool contains(std::u16string_view text, std::u16string_view part) {
    return text.find(part) != std::u16string_view::npos;
}

// A network partial path ("//srv", "//srv/share") before it reaches below the share level.
bool is_server_or_share_level(std::u16string_view partial) {
    if (!is_network_name(partial)) return false;
    std::size_t separators = 0;
    for (std::size_t i = 2; i < partial.size(); ++i)
        if (is_separator(partial[i])) ++separators;
    return separators < 2;
}

bool skipped_level(std::u16string_view partial) {
    return partial.empty() || partial == u"/" || partial == u"\\" || partial.back() == u':' ||
           is_server_or_share_level(partial);
}

// An existing entry inside a folder other users can write to may have been planted there (a
// link, or a folder of theirs): it is used only when it is a real folder of our own.
bool trusted_entry(std::u16string_view partial, const std::optional<platform::FileStatus>& parent) {
    if (!parent || !platform::is_shared_folder(*parent)) return true;
    const auto entry = platform::link_status(partial);
    return entry && platform::is_own_folder(*entry);
}

// Creates the chain; on failure reports `failure_text` + the partial path through `report`.
template <typename Report>
bool build_chain(std::u16string_view path, Report report) {
    const std::u16string normalised = strip_separator(normalise_separators(path, kSeparator));
    // Only separators: the root, which always exists.
    if (normalised.empty()) return !path.empty() && folder_exists(u"/");
    const bool network = is_network_name(normalised);
    std::optional<platform::FileStatus> parent;
    if (!network) parent = platform::file_status(normalised.front() == kSeparator ? u"/" : u".");
    std::u16string partial;
    std::size_t start = 0;
    while (start <= normalised.size()) {
        std::size_t end = normalised.find(kSeparator, start);
        if (end == std::u16string::npos) end = normalised.size();
        partial = normalised.substr(0, end);
        start = end + 1;
        if (skipped_level(partial)) continue;
        auto status = platform::file_status(partial);
        if (status && status->is_folder) {
            if (!trusted_entry(partial, parent)) {
                report(partial);
                return false;
            }
        } else if (!platform::make_private_folder(partial)) {
            status = platform::file_status(partial);  // made meanwhile by someone else?
            if (!status || !status->is_folder || !trusted_entry(partial, parent)) {
                report(partial);
                return false;
            }
        } else {
            status = platform::file_status(partial);
        }
        parent = status;
    }
    return true;
}

}  // namespace

std::u16string special_folder(int csidl) {
    std::u16string folder = platform::special_folder_path(csidl);
    if ((csidl & platform::CSIDL_FLAG_CREATE) != 0 && !folder.empty() && !folder_exists(folder))
        create_folder_chain(folder);
    return folder;
}

std::u16string settings_folder() {
    std::u16string folder =
        ensure_separator(special_folder(platform::CSIDL_COMMON_DOCUMENTS)) + u"Temp/Tool/_setting";
    create_folder_chain(folder);
    return folder;
}

std::u16string program_name() {
    static const std::u16string name = [] {
        const std::u16string program = get_arv();
        std::u16string recorded;
        if (exists(program)) {
            VersionInfo info(program);
            recorded = info.original_filename();
        }
        return recorded.empty() ? file_name_of(program) : recorded;
    }();
    return name;
}

std::u16string ini_path() {
    return change_extension(ensure_separator(settings_folder()) + program_name(), u"ini");
}

TempFolderSources current_temp_folder_sources() {
    TempFolderSources sources;
    sources.platform_answer = platform::system_temp_folder();
    sources.documents = special_folder(platform::CSIDL_COMMON_DOCUMENTS);
    sources.env_tmp = platform::environment_variable("TMP");
    sources.env_tmpdir = platform::environment_variable("TMPDIR");
    sources.env_temp = platform::environment_variable("TEMP");
    sources.env_user = platform::environment_variable("USER");
    sources.env_username = platform::environment_variable("USERNAME");
    sources.tmp_exists = folder_exists(u"/tmp");
    sources.current = current_folder();
    return sources;
}

std::u16string choose_temp_folder(const TempFolderSources& sources) {
    const std::u16string& answer = sources.platform_answer;
    if (!answer.empty()) {
        if (contains(answer, u"Windows") || contains(to_lower(answer), to_lower(u"Windows"))) {
            std::u16string folder = ensure_separator(sources.documents) + u"Temp/Temp";
            create_folder_chain(folder);
            return ensure_separator(folder);
        }
        return ensure_separator(answer);
    }
    for (const std::u16string* variable :
         {&sources.env_tmp, &sources.env_tmpdir, &sources.env_temp})
        if (!variable->empty()) return ensure_separator(*variable);
    std::u16string user = sources.env_user;
    if (user.empty()) user = sources.env_username;
    if (user.empty()) user = u"___";
    StringList bases;
    if (sources.tmp_exists) bases.push_back(u"/tmp/");
    bases.push_back(sources.current);
    for (const auto& base : bases) {
        const std::u16string folder = ensure_separator(base) + user;
        if (!base.empty() && create_folder_chain(folder)) return ensure_separator(folder);
    }
    return {};
}

std::u16string temp_folder() {
    const std::u16string answer = platform::system_temp_folder();
    // The usual case needs no other sources; the private folder under VERMARK_HOME is made on
    // demand.
    if (!answer.empty() && !contains(to_lower(answer), u"windows")) {
        if (!platform::vermark_home().empty() && !folder_exists(answer))
            create_folder_chain(answer);
        return answer;
    }
    return choose_temp_folder(current_temp_folder_sources());
}

std::u16string current_folder() {
    return platform::current_directory();
}

std::u16string user_name() {
    std::u16string name = platform::account_name();
    if (name.empty()) name = platform::environment_variable("USER");
    if (name.empty()) name = platform::environment_variable("USERNAME");
    return name;
}

FolderFailureReporter& folder_failure_reporter() {
    static FolderFailureReporter reporter = nullptr;
    return reporter;
}

void report_folder_failure(std::u16string_view line) {
    if (FolderFailureReporter reporter = folder_failure_reporter()) reporter(line);
}

void set_folder_failure_reporter(FolderFailureReporter reporter) {
    folder_failure_reporter() = reporter;
}

bool create_folder_chain(std::u16string_view path) {
    return build_chain(path, [](std::u16string_view partial) {
        report_folder_failure(u"Can't create " + std::u16string(partial));
    });
}

bool create_folder_chain_framework(std::u16string_view path) {
    return build_chain(path, [](std::u16string_view partial) {
        if (extension_lower_of(get_arv()) != u"dll")
            report_folder_failure(u"フォルダが作成できません" + std::u16string(partial));
    });
}

std::u16string locate_program(std::u16string_view name) {
    std::u16string candidate =
        ensure_separator(special_folder(platform::CSIDL_PROGRAM_FILES)) + std::u16string(name);
    if (exists(name)) candidate = name;
    if (!exists(candidate)) {
        for (const auto& folder : platform::fallback_program_folders()) {
            const std::u16string place = ensure_separator(folder) + std::u16string(name);
            if (exists(place)) {
                candidate = place;
                break;
            }
        }
    }
    if (exists(candidate)) return candidate;
    if (extension_lower_of(name) == u"exe") {
        for (int csidl : {platform::CSIDL_WINDOWS, platform::CSIDL_SYSTEM}) {
            const std::u16string place =
                ensure_separator(special_folder(csidl)) + file_name_of(name);
            if (exists(place)) return place;
        }
    }
    return std::u16string(name);
}

}  // namespace vermark
