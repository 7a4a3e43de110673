#include "platform/launch.h"

namespace vermark::platform {

std::vector<std::u16string> split_command_line(std::u16string_view text) {
    std::vector<std::u16string> arguments;
    std::u16string current;
    bool in_argument = false, quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\\' && i + 1 < text.size() && text[i + 1] == u'"') {
            current += u'"';
            in_argument = true;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
            in_argument = true;
        } else if ((c == u' ' || c == u'\t') && !quoted) {
            if (in_argument) arguments.push_back(std::move(current));
            current.clear();
            in_argument = false;
        } else {
            current += c;
            in_argument = true;
        }
    }
    if (in_argument) arguments.push_back(std::move(current));
    return arguments;
}

}  // namespace vermark::platform
