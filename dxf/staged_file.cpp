#include "dxf/staged_file.h"

#include <filesystem>
#include <system_error>

#include "platform/wide.h"

namespace vermark {

bool is_same_file(const std::u16string& a, const std::u16string& b) {
    std::error_code failure;
    return std::filesystem::equivalent(std::filesystem::path(platform::to_utf8(a)),
                                       std::filesystem::path(platform::to_utf8(b)), failure) &&
           !failure;
}

}  // namespace vermark
