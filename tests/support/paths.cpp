#include "support/paths.h"

#include "platform/wide.h"

namespace vermark::testing {

std::u16string wide_path(const std::filesystem::path& path) {
    return platform::from_utf8(path.string());
}

std::filesystem::path narrow_path(std::u16string_view path) {
    return std::filesystem::path(platform::to_utf8(path));
}

}  // namespace vermark::testing
