#include "platform/standin/registry_tree.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstdio>

#include "platform/registry.h"
#include "platform/wide.h"

namespace vermark::platform {

namespace {

constexpr std::string_view root_name = "HKEY_CURRENT_USER";

// Upper-casing beyond ASCII needs a UTF-8 character table; the C locale only knows ASCII.
locale_t upper_case_locale() {
    static const locale_t locale = [] {
        locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
        return made ? made : newlocale(LC_CTYPE_MASK, "C", locale_t{});
    }();
    return locale;
}

char16_t upper(char16_t unit) {
    if (unit < 0x80) return (unit >= u'a' && unit <= u'z') ? unit - 0x20 : unit;
    if (unit >= 0xD800 && unit <= 0xDFFF) return unit;
    const wint_t up = towupper_l(static_cast<wint_t>(unit), upper_case_locale());
    return up <= 0xFFFF ? static_cast<char16_t>(up) : unit;
}

int compare_names(std::u16string_view a, std::u16string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t ua = upper(a[i]);
        const char16_t ub = upper(b[i]);
        if (ua != ub) return ua < ub ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// ---- writing ----

std::string hex_byte(std::uint8_t byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02x", byte);
    return text;
}

std::string quoted_text(std::u16string_view text) {
    std::string out = "\"";
    std::u16string plain;
    auto flush = [&] {
        out += to_utf8(plain);
        plain.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            plain += unit;
            plain += text[++i];
        } else if (unit < 0x20 || unit == 0x7F || high || low) {
            flush();
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(unit));
            out += escape;
        } else if (unit == u'\\' || unit == u'"') {
            flush();
            out += '\\';
            out += static_cast<char>(unit);
        } else {
            plain += unit;
        }
    }
    flush();
    return out + "\"";
}

// The text of a REG_SZ value when its bytes are exactly one zero-terminated text.
bool as_text(const RegValue& value, std::u16string& text) {
    const auto& data = value.data;
    if (data.size() < 2 || data.size() % 2 != 0) return false;
    text.clear();
    for (std::size_t i = 0; i + 1 < data.size(); i += 2)
        text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (text.back() != 0) return false;
    text.pop_back();
    return text.find(char16_t{0}) == std::u16string::npos;
}

std::string value_data_text(const RegValue& value) {
    std::u16string text;
    if (value.type == REG_SZ && as_text(value, text)) return quoted_text(text);
    if (value.type == REG_DWORD && value.data.size() == 4) {
        std::string out = "dword:";
        for (int i = 3; i >= 0; --i) out += hex_byte(value.data[i]);
        return out;
    }
    std::string out =
        value.type == REG_BINARY ? "hex:" : "hex(" + std::to_string(value.type) + "):";
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        if (i > 0) out += ',';
        out += hex_byte(value.data[i]);
    }
    return out;
}

void format_node(const RegNode& node, const std::string& path, std::size_t depth,
                 std::string& out) {
    const bool implied = node.values.empty() && (depth == 0 || !node.children.empty());
    if (!implied) {
        out += "[" + path + "]\n";
        for (const RegValue& value : node.values) {
            out += value.name.empty() ? "@" : quoted_text(value.name);
            out += "=" + value_data_text(value) + "\n";
        }
        out += "\n";
    }
    if (depth >= kMaxRegKeyDepth) return;  // never built here: creation and reading stop there
    for (const RegNode& child : node.children)
        format_node(child, path + "\\" + to_utf8(child.name), depth + 1, out);
}

// ---- reading ----

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted text starting at line[pos] == '"'; pos ends behind the closing quote.
bool read_quoted(std::string_view line, std::size_t& pos, std::u16string& text) {
    if (pos >= line.size() || line[pos] != '"') return false;
    text.clear();
    std::string plain;
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            text += from_utf8(plain);
            ++pos;
            return true;
        }
        if (c != '\\') {
            plain += c;
            continue;
        }
        if (++pos >= line.size()) return false;
        if (line[pos] != 'u') {
            plain += line[pos];
            continue;
        }
        if (pos + 4 >= line.size()) return false;
        unsigned unit = 0;
        for (int i = 1; i <= 4; ++i) {
            const int digit = hex_digit(line[pos + i]);
            if (digit < 0) return false;
            unit = unit * 16 + digit;
        }
        text += from_utf8(plain);
        plain.clear();
        text += static_cast<char16_t>(unit);
        pos += 4;
    }
    return false;
}

bool read_hex_bytes(std::string_view text, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (pos + 1 >= text.size()) return false;
        const int high = hex_digit(text[pos]);
        const int low = hex_digit(text[pos + 1]);
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        pos += 2;
        if (pos < text.size() && text[pos++] != ',') return false;
    }
    return true;
}

bool read_data(std::string_view text, RegValue& value) {
    if (text.starts_with('"')) {
        std::size_t pos = 0;
        std::u16string content;
        if (!read_quoted(text, pos, content) || pos != text.size()) return false;
        value.type = REG_SZ;
        value.data.clear();
        for (char16_t unit : content) {
            value.data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
            value.data.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
        value.data.push_back(0);
        value.data.push_back(0);
        return true;
    }
    if (text.starts_with("dword:")) {
        text.remove_prefix(6);
        if (text.size() != 8) return false;
        std::uint32_t number = 0;
        for (char c : text) {
            const int digit = hex_digit(c);
            if (digit < 0) return false;
            number = number * 16 + digit;
        }
        value.type = REG_DWORD;
        value.data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                      static_cast<std::uint8_t>(number >> 16),
                      static_cast<std::uint8_t>(number >> 24)};
        return true;
    }
    if (text.starts_with("hex:")) {
        value.type = REG_BINARY;
        return read_hex_bytes(text.substr(4), value.data);
    }
    if (text.starts_with("hex(")) {
        const std::size_t close = text.find("):");
        if (close == std::string_view::npos || close == 4) return false;
        std::uint32_t type = 0;
        for (char c : text.substr(4, close - 4)) {
            if (c < '0' || c > '9') return false;
            type = type * 10 + (c - '0');
        }
        value.type = type;
        return read_hex_bytes(text.substr(close + 2), value.data);
    }
    return false;
}

void read_value_line(std::string_view line, RegNode& key) {
    RegValue value;
    std::size_t pos = 0;
    if (line.starts_with('@')) {
        pos = 1;
    } else if (!read_quoted(line, pos, value.name)) {
        return;
    }
    if (pos >= line.size() || line[pos] != '=') return;
    if (!read_data(line.substr(pos + 1), value)) return;
    if (RegValue* existing = value_named(key, value.name)) {
        *existing = std::move(value);
    } else {
        key.values.push_back(std::move(value));
    }
}

// The key a "[...]" header names, created as needed; null for another root, an empty part or a
// key nested too deep (counted in `too_deep`).
RegNode* key_for_header(std::string_view path, RegNode& root, std::size_t& too_deep) {
    if (static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\')) > kMaxRegKeyDepth) {
        ++too_deep;
        return nullptr;
    }
    std::u16string wide = from_utf8(path);
    std::vector<std::u16string> parts;
    std::size_t start = 0;
    for (std::size_t sep; (sep = wide.find(u'\\', start)) != std::u16string::npos; start = sep + 1)
        parts.push_back(wide.substr(start, sep - start));
    parts.push_back(wide.substr(start));
    if (!same_reg_name(parts.front(), from_utf8(root_name))) return nullptr;
    RegNode* node = &root;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        if (parts[i].empty()) return nullptr;
        RegNode* child = child_named(*node, parts[i]);
        node = child ? child : &add_child(*node, parts[i]);
    }
    return node;
}

}  // namespace

bool same_reg_name(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && compare_names(a, b) == 0;
}

RegNode* child_named(RegNode& node, std::u16string_view name) {
    return const_cast<RegNode*>(child_named(static_cast<const RegNode&>(node), name));
}

const RegNode* child_named(const RegNode& node, std::u16string_view name) {
    auto it = std::lower_bound(node.children.begin(), node.children.end(), name,
                               [](const RegNode& child, std::u16string_view n) {
                                   return compare_names(child.name, n) < 0;
                               });
    return (it != node.children.end() && compare_names(it->name, name) == 0) ? &*it : nullptr;
}

RegNode& add_child(RegNode& node, std::u16string_view name) {
    auto it = std::lower_bound(node.children.begin(), node.children.end(), name,
                               [](const RegNode& child, std::u16string_view n) {
                                   return compare_names(child.name, n) < 0;
                               });
    RegNode child;
    child.name = std::u16string(name);
    return *node.children.insert(it, std::move(child));
}

void remove_child(RegNode& node, std::u16string_view name) {
    std::erase_if(node.children,
                  [&](const RegNode& child) { return compare_names(child.name, name) == 0; });
}

RegValue* value_named(RegNode& node, std::u16string_view name) {
    return const_cast<RegValue*>(value_named(static_cast<const RegNode&>(node), name));
}

const RegValue* value_named(const RegNode& node, std::u16string_view name) {
    for (const RegValue& value : node.values)
        if (same_reg_name(value.name, name)) return &value;
    return nullptr;
}

std::string format_registry_text(const RegNode& root) {
    std::string out =
        "; Vermark's per-user registry. Rewritten whole on every change: edit it only while no "
        "Vermark program runs.\n\n";
    format_node(root, std::string(root_name), 0, out);
    return out;
}

RegNode parse_registry_text(std::string_view text, std::size_t* too_deep) {
    RegNode root;
    RegNode* key = nullptr;
    std::size_t skipped = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.empty() || line.starts_with(';')) continue;
        if (line.starts_with('[') && line.ends_with(']')) {
            key = key_for_header(line.substr(1, line.size() - 2), root, skipped);
        } else if (key) {
            read_value_line(line, *key);
        }
    }
    if (too_deep) *too_deep = skipped;
    return root;
}

}  // namespace vermark::platform
