// The registry's keys and values in memory, and their text form on disk. Used by
// platform/registry.cpp; kept apart so the text form can be tested without files.
//
// The text form follows a .reg export:
//   [HKEY_CURRENT_USER\Software\r_Utile]
//   @="r_Utile"
//   "Count"=dword:0000000a
//   "Blob"=hex(3):01,ff
// Quoted texts escape "\" and the double quote with a backslash; control characters and lone
// surrogates are written as \uXXXX. A REG_SZ value is written as a quoted text when it is
// well-formed (one terminating zero, no other); anything else keeps its exact bytes as hex.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vermark::platform {

struct RegValue {
    std::u16string name;  // empty: the key's default value
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

struct RegNode {
    std::u16string name;
    std::vector<RegValue> values;   // in the order first set
    std::vector<RegNode> children;  // ordered by name, ignoring case
};

// Names compare as the platform compares key names: upper-cased, unit by unit.
bool same_reg_name(std::u16string_view a, std::u16string_view b);

RegNode* child_named(RegNode& node, std::u16string_view name);
const RegNode* child_named(const RegNode& node, std::u16string_view name);
// Inserts a new empty child at its place in the order and returns it.
RegNode& add_child(RegNode& node, std::u16string_view name);
void remove_child(RegNode& node, std::u16string_view name);

RegValue* value_named(RegNode& node, std::u16string_view name);
const RegValue* value_named(const RegNode& node, std::u16string_view name);

// How deep keys may nest below the root, as on the platform. Deeper keys cannot be created, and
// a file that names one is damaged: that key is skipped, as if it were missing.
inline constexpr std::size_t kMaxRegKeyDepth = 512;

// The root node is HKEY_CURRENT_USER itself; its name is not used. Only keys with values and keys
// without subkeys get a header (their parents are implied), so the text grows with the tree, not
// with the square of its depth.
std::string format_registry_text(const RegNode& root);
// Lines that cannot be read are skipped; a key header for another root hides its values. Headers
// nested deeper than kMaxRegKeyDepth are skipped too and counted in `too_deep` when given.
RegNode parse_registry_text(std::string_view text, std::size_t* too_deep = nullptr);

}  // namespace vermark::platform
