#include "app/dialog/about_text.h"

#include <algorithm>

#include "app/dialog/string_table.h"
#include "settings/version_info.h"

namespace vermark {

AboutTexts about_texts(const std::u16string& program_path) {
    VersionInfo info(program_path);
    std::u16string version = info.file_version();
    std::erase(version, u' ');
    std::replace(version.begin(), version.end(), u',', u'.');
    return {info.file_description() + std::u16string(kAboutVersionSeparator) + version,
            info.legal_copyright()};
}

}  // namespace vermark
