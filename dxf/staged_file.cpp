#include "dxf/staged_file.h"

#include "platform/new_file.h"

namespace vermark {

bool is_same_file(const std::u16string& a, const std::u16string& b) {
    return platform::same_file(a, b);
}

}  // namespace vermark
