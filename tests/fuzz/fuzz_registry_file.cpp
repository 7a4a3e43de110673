// Any bytes as the registry stand-in's file: parsing never crashes, and what it makes of them
// is stable (writing the tree and reading it back gives the same text again), so a damaged file
// cannot change further each time the program saves it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/standin/registry_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string once =
        vermark::platform::format_registry_text(vermark::platform::parse_registry_text(text));
    const std::string twice =
        vermark::platform::format_registry_text(vermark::platform::parse_registry_text(once));
    if (once != twice) std::abort();
    return 0;
}
