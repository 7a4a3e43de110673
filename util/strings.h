// String operations shared across the program that are not about paths.
#pragma once

#include <string>
#include <string_view>

namespace vermark {

// The text without one pair of matching surrounding quotes (' or "); unchanged otherwise.
std::u16string unquote(std::u16string_view text);

}  // namespace vermark
