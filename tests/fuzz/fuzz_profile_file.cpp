// Any text as a profile (INI) document: reading every section and key, then changing and removing
// entries, never crashes; a value just set reads back as set.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/standin/profile_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vermark;
    const std::u16string text =
        platform::multibyte_to_wide(platform::kCodePageShiftJis, platform::ByteView(data, size));
    platform::ProfileDocument document(text);
    for (const std::u16string& section : document.section_names()) {
        for (const std::u16string& key : document.key_names(section)) document.value(section, key);
    }
    const std::u16string_view whole(text);
    const std::u16string_view section = whole.substr(0, text.size() % 7);
    const std::u16string_view key = whole.substr(text.size() / 2, 5);
    if (!section.empty() && !key.empty() &&
        section.find_first_of(u"[]\r\n") == std::u16string_view::npos &&
        key.find_first_of(u"=;[\r\n") == std::u16string_view::npos && key.front() > u' ' &&
        key.back() > u' ' && section.front() > u' ' && section.back() > u' ' &&
        document.set_value(section, key, u"v")) {
        const auto read = document.value(section, key);
        if (!read || *read != u"v") std::abort();
    }
    document.remove_key(section, key);
    document.remove_section(section);
    platform::ProfileDocument reread(document.text());
    reread.section_names();
    return 0;
}
