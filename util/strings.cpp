#include "util/strings.h"

namespace vermark {

std::u16string unquote(std::u16string_view text) {
    if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') &&
        text.back() == text.front()) {
        return std::u16string(text.substr(1, text.size() - 2));
    }
    return std::u16string(text);
}

}  // namespace vermark
