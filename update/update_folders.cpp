#include "update/update_folders.h"

#include "diag/log.h"
#include "platform/file_moves.h"
#include "update/text_helpers.h"
#include "update/update_clock.h"
#include "util/folders.h"
#include "util/path.h"

namespace vermark {
namespace {

constexpr std::u16string_view kUpdateRoot = u"r_Utile.tmp";

// The folder exists, is a real folder of this user and nobody else may enter it.
bool claim_private(const std::u16string& folder) {
    return create_folder_chain(folder) && platform::is_own_real_folder(folder) &&
           platform::make_folder_private(folder);
}

// The root of everything the update check writes, kept private even when it existed before.
// A shared temporary folder may already hold the name as another user's folder or as a link;
// writing there would let others swap the page copies or the lookup scripts, so the root then
// moves to the user's own documents folder.
std::u16string update_root() {
    const std::u16string root = ensure_separator(temp_folder() + std::u16string(kUpdateRoot));
    if (claim_private(root)) return root;
    const std::u16string fallback =
        ensure_separator(ensure_separator(special_folder(platform::CSIDL_COMMON_DOCUMENTS)) +
                         u"Temp/Temp/" + std::u16string(kUpdateRoot));
    static bool reported = false;
    if (!reported) {
        reported = true;
        log_line(u"update_root " + root + u" -> " + fallback);
    }
    claim_private(fallback);
    return fallback;
}

std::u16string today() {
    return format_update_now(u"%Y%m%d");
}

std::u16string program_stem() {
    std::u16string name = file_name_of(get_arv());
    const std::u16string resource_name = program_name();
    if (!resource_name.empty() && !equals_ignoring_case(resource_name, name)) name = resource_name;
    std::u16string stem = stem_of(name);
    return stem.empty() ? today() : stem;
}

}  // namespace

std::u16string tool_temp_folder(std::u16string_view name) {
    const std::u16string folder = update_root() + std::u16string(name);
    create_folder_chain(folder);
    return folder;
}

std::u16string program_temp_folder() {
    const std::u16string folder = normalise_separators(update_root() + program_stem());
    if (create_folder_chain(folder)) return ensure_separator(folder);
    // The fallback stays inside the update root, so a failure never sends files elsewhere.
    const std::u16string fallback = update_root() + stem_of(get_arv());
    log_line(u"program_temp_folder " + fallback);
    return ensure_separator(fallback);
}

std::u16string dated_work_folder() {
    const std::u16string program_folder = program_temp_folder();
    const std::u16string dated = program_folder + today();
    if (!create_folder_chain(dated)) return program_folder;
    return ensure_separator(dated);
}

std::u16string dated_tool_folder(std::u16string_view name) {
    const std::u16string folder = ensure_separator(tool_temp_folder(name)) + today();
    create_folder_chain(folder);
    return folder;
}

}  // namespace vermark
