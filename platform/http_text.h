#pragma once

#include <string>

namespace vermark::platform {

// The request's path as sent: blanks, quotes, controls and non-ASCII bytes escaped, "%" kept.
std::string escape_url_object(const std::string& object);

// A header value with line breaks and other control characters turned into blanks.
std::string header_safe_text(std::string text);

}  // namespace vermark::platform
