// Small DXF texts for the stamping tests, and helpers to turn them into files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"

namespace vermark::testing {

// A minimal drawing: a HEADER section with one variable, an ENTITIES section with a line.
// `le` is the line end used throughout; `header_extra` goes right after the HEADER name line.
inline std::string small_dxf(std::string_view le, std::string_view header_extra = "") {
    std::string text;
    auto line = [&](std::string_view l) {
        text += l;
        text += le;
    };
    for (auto l : {"  0", "SECTION", "  2", "HEADER"}) line(l);
    text += header_extra;
    for (auto l : {"  9", "$INSBASE", " 10", "0.0", " 20", "0.0", "  0", "ENDSEC"}) line(l);
    for (auto l :
         {"  0", "SECTION", "  2", "ENTITIES", "  0", "LINE", "  8", "0",      " 10", "1.0",
          " 20", "2.0",     " 11", "3.0",      " 21", "4.0",  "  0", "ENDSEC", "  0", "EOF"}) {
        line(l);
    }
    return text;
}

// The four lines of the group with the given line end.
inline std::string group(std::string_view le) {
    std::string text;
    for (auto l : {"  9", "$ACADVER", "  1", "AC1008"}) {
        text += l;
        text += le;
    }
    return text;
}

// `text` with `insert` placed right after the first occurrence of `after`.
inline std::string inserted_after(std::string text, std::string_view after,
                                  std::string_view insert) {
    const std::size_t at = text.find(after);
    text.insert(at + after.size(), insert);
    return text;
}

// Little- or big-endian UTF-16 bytes of ASCII/UTF-8 text, optionally with a mark.
inline std::string utf16_bytes_of(std::string_view utf8, bool big_endian, bool mark) {
    std::string out;
    auto put = [&](char16_t u) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += big_endian ? hi : lo;
        out += big_endian ? lo : hi;
    };
    if (mark) put(0xFEFF);
    for (char16_t u : platform::from_utf8(utf8)) put(u);
    return out;
}

// UTF-32 bytes (characters below U+10000 only), with the mark of its byte order.
inline std::string utf32_bytes_of(std::string_view utf8, bool big_endian) {
    std::string out;
    auto put = [&](char32_t c) {
        const char b[4] = {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF),
                           static_cast<char>((c >> 16) & 0xFF), static_cast<char>(c >> 24)};
        for (int i = 0; i < 4; ++i) out += b[big_endian ? 3 - i : i];
    };
    put(0xFEFF);
    for (char16_t u : platform::from_utf8(utf8)) put(u);
    return out;
}

}  // namespace vermark::testing
