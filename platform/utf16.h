// Building UTF-16 text from code points, for the converters of the platform layer.
#pragma once

#include <string>

namespace vermark::platform {

// One code point appended as one UTF-16 unit or a surrogate pair.
void append_code_point(std::u16string& out, char32_t code_point);

}  // namespace vermark::platform
