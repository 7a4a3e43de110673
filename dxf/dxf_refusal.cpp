#include "dxf/dxf_refusal.h"

#include <cerrno>
#include <system_error>

#include "platform/c_numbers.h"
#include "platform/wide.h"

namespace vermark {

std::u16string error_text(int error) {
    return platform::from_utf8(std::generic_category().message(error));
}

std::u16string read_failure_text(const ReadOutcome& read) {
    // Drawings are read from regular files only (see InputFile).
    if (!read.opened && read.error == EINVAL) return u"cannot open: not a regular file";
    if (!read.opened && platform::means_sharing_violation(read.error))
        return u"cannot open: in use by another program";
    return (read.opened ? u"cannot read: " : u"cannot open: ") + error_text(read.error);
}

std::u16string version_refusal_text(std::u16string_view version) {
    if (version.empty()) return u"already has $ACADVER";
    return u"already " + std::u16string(version);
}

std::u16string no_header_text() {
    return u"no HEADER section";
}

}  // namespace vermark
