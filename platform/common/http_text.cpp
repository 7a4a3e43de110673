#include "platform/http_text.h"

namespace vermark::platform {
namespace {

bool is_url_safe(unsigned char c) {
    return c > 0x20 && c < 0x7F && c != '"' && c != '<' && c != '>' && c != '\\' && c != '^' &&
           c != '`' && c != '{' && c != '|' && c != '}';
}

}  // namespace

// Blanks, quotes, controls and non-ASCII bytes are escaped; "%" is left as written, since the
// page name may already carry escapes.
std::string escape_url_object(const std::string& object) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : object) {
        if (is_url_safe(c)) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0xF]);
        }
    }
    return out;
}

// A header value never carries line breaks or other control characters.
std::string header_safe_text(std::string text) {
    for (auto& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return text;
}

}  // namespace vermark::platform
