// Whether two paths name one file, so that a copy is never renamed over its own input.
#pragma once

#include <string>

namespace vermark {

// True when both paths name one existing file (through links, or as hard links of each other).
bool is_same_file(const std::u16string& a, const std::u16string& b);

}  // namespace vermark
