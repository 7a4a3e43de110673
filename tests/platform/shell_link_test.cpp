#include "platform/shell_link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

namespace fs = std::filesystem;
using testing::fresh_folder;
using testing::write_bytes;

void put16(std::string& out, unsigned v) {
    out.push_back(char(v & 0xFF));
    out.push_back(char((v >> 8) & 0xFF));
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
void put_counted(std::string& out, const std::u16string& text, bool unicode) {
    put16(out, unsigned(text.size()));
    for (char16_t c : text) {
        if (unicode) {
            put16(out, c);
        } else {
            out.push_back(char(c));
        }
    }
}

// Builds a shell link the way Windows lays it out: header, optional ID list, optional LinkInfo
// with a local base path, then the string data.
struct LinkSpec {
    std::u16string relative;
    std::string local_base;       // ANSI bytes, zero-terminated in the file
    std::u16string local_base_w;  // Unicode form (needs the longer LinkInfo header)
    bool unicode = true;
    bool id_list = false;
    std::u16string name;

    LinkSpec& with_relative(std::u16string v) {
        relative = std::move(v);
        return *this;
    }
    LinkSpec& with_local_base(std::string v) {
        local_base = std::move(v);
        return *this;
    }
    LinkSpec& with_local_base_w(std::u16string v) {
        local_base_w = std::move(v);
        return *this;
    }
    LinkSpec& with_id_list() {
        id_list = true;
        return *this;
    }
    LinkSpec& with_name(std::u16string v) {
        name = std::move(v);
        return *this;
    }
    LinkSpec& ansi() {
        unicode = false;
        return *this;
    }
};

std::string make_link(const LinkSpec& link) {
    std::uint32_t flags = 0;
    if (link.id_list) flags |= 0x1;
    const bool info = !link.local_base.empty() || !link.local_base_w.empty();
    if (info) flags |= 0x2;
    if (!link.name.empty()) flags |= 0x4;
    if (!link.relative.empty()) flags |= 0x8;
    if (link.unicode) flags |= 0x80;

    std::string out;
    put32(out, 0x4C);
    out += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
    put32(out, flags);
    out.resize(0x4C, '\0');
    if (link.id_list) {
        put16(out, 6);
        out += std::string("\x04\x00\xAB\xCD\x00\x00", 6);
    }
    if (info) {
        const bool wide = !link.local_base_w.empty();
        const std::uint32_t header = wide ? 0x24 : 0x1C;
        std::string body;  // after the header: base path, suffix, then the wide forms
        const std::uint32_t base_at = header;
        body += link.local_base + '\0';
        const std::uint32_t suffix_at = header + std::uint32_t(body.size());
        body += '\0';
        std::uint32_t base_w_at = 0;
        std::uint32_t suffix_w_at = 0;
        if (wide) {
            base_w_at = header + std::uint32_t(body.size());
            for (char16_t c : link.local_base_w) put16(body, c);
            put16(body, 0);
            suffix_w_at = header + std::uint32_t(body.size());
            put16(body, 0);
        }
        put32(out, header + std::uint32_t(body.size()));
        put32(out, header);
        put32(out, 0x1);  // VolumeIDAndLocalBasePath
        put32(out, 0);    // no volume id in these tests
        put32(out, base_at);
        put32(out, 0);
        put32(out, suffix_at);
        if (wide) {
            put32(out, base_w_at);
            put32(out, suffix_w_at);
        }
        out += body;
    }
    if (!link.name.empty()) put_counted(out, link.name, link.unicode);
    if (!link.relative.empty()) put_counted(out, link.relative, link.unicode);
    return out;
}

std::span<const std::uint8_t> bytes_of(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

using vermark::testing::wide_path;

TEST(ShellLink, RelativePathIsResolvedAgainstTheShortcutsFolder) {
    const auto root = fresh_folder("shell_link_relative");
    write_bytes(root / "drawings" / "plan.dxf", "0\nEOF\n");
    const auto link = root / "links" / "plan.dxf.lnk";
    write_bytes(link, make_link(LinkSpec()
                                    .with_relative(u"..\\drawings\\plan.dxf")
                                    .with_id_list()
                                    .with_name(u"a plan")));

    EXPECT_EQ(platform::shell_link_target(wide_path(link)),
              wide_path(fs::canonical(root / "drawings" / "plan.dxf")));
}

TEST(ShellLink, LocalBasePathIsUsedWhenTheRelativePathLeadsNowhere) {
    const auto root = fresh_folder("shell_link_local");
    const auto target = fs::canonical(root) / "plan.dxf";
    write_bytes(target, "0\nEOF\n");
    const auto link = root / "sub" / "x.LNK";

    write_bytes(
        link, make_link(LinkSpec().with_relative(u".\\gone.dxf").with_local_base(target.string())));
    EXPECT_EQ(platform::shell_link_target(wide_path(link)), wide_path(target));

    // The Unicode form wins over the ANSI one.
    write_bytes(
        link,
        make_link(
            LinkSpec().with_local_base("/nowhere/plan.dxf").with_local_base_w(wide_path(target))));
    EXPECT_EQ(platform::shell_link_target(wide_path(link)), wide_path(target));
}

TEST(ShellLink, AnsiStringsAreCodePage932) {
    LinkSpec link;
    link.ansi();
    link.relative = u"..\\";
    // "図面.dxf" in Shift_JIS: 0x907D 0x96CA, then the extension.
    for (unsigned char c : std::string("\x90\x7D\x96\xCA.dxf")) link.relative.push_back(c);
    const auto bytes = make_link(link);
    auto parsed = platform::parse_shell_link(bytes_of(bytes));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->relative_path, u"..\\\u56F3\u9762.dxf");
}

TEST(ShellLink, BrokenShortcutsGiveTheEmptyPath) {
    const auto root = fresh_folder("shell_link_broken");
    const auto link = root / "broken.lnk";
    write_bytes(
        link,
        make_link(LinkSpec().with_relative(u"missing.dxf").with_local_base("C:\\d\\missing.dxf")));
    EXPECT_EQ(platform::shell_link_target(wide_path(link)), u"");

    // A drive-letter path means nothing here, even when a file of that odd name exists.
    write_bytes(root / "C:" / "d.dxf", "x");
    write_bytes(link, make_link(LinkSpec().with_local_base("C:\\d.dxf")));
    EXPECT_EQ(platform::shell_link_target(wide_path(link)), u"");

    // Nor does a network name, which this system would read as a local path from the root.
    std::string network = "\\\\" + fs::canonical(root).string().substr(1) + "/C:/d.dxf";
    std::replace(network.begin(), network.end(), '/', '\\');
    write_bytes(link, make_link(LinkSpec().with_local_base(network)));
    EXPECT_EQ(platform::shell_link_target(wide_path(link)), u"");
    write_bytes(link, make_link(LinkSpec().with_relative(platform::widen(network))));
    EXPECT_EQ(platform::shell_link_target(wide_path(link)), u"");

    write_bytes(link, "not a shortcut at all");
    EXPECT_EQ(platform::shell_link_target(wide_path(link)), u"");
    EXPECT_EQ(platform::shell_link_target(wide_path(root / "absent.lnk")), u"");
    EXPECT_EQ(platform::shell_link_target(u""), u"");
}

TEST(ShellLink, TruncatedOrCorruptLinksAreRejectedWithoutReadingPastTheEnd) {
    const auto full = make_link(LinkSpec()
                                    .with_relative(u"..\\a.dxf")
                                    .with_local_base("/tmp/a.dxf")
                                    .with_local_base_w(u"/tmp/a.dxf")
                                    .with_id_list()
                                    .with_name(u"n"));
    ASSERT_TRUE(platform::parse_shell_link(bytes_of(full)));
    for (std::size_t n = 0; n < full.size(); ++n) {
        const std::string cut = full.substr(0, n);
        EXPECT_FALSE(platform::parse_shell_link(bytes_of(cut))) << "length " << n;
    }
    // Offsets pointing far outside the LinkInfo block.
    std::string bad = full;
    const std::size_t info = 0x4C + 2 + 6;
    bad[info + 16] = '\xFF';
    bad[info + 17] = '\xFF';
    bad[info + 28] = '\xF0';
    bad[info + 29] = '\xFF';
    EXPECT_FALSE(platform::parse_shell_link(bytes_of(bad)));
    // A wrong class id.
    bad = full;
    bad[4] = 0x02;
    EXPECT_FALSE(platform::parse_shell_link(bytes_of(bad)));
}

TEST(ShellLink, LongPathNameFollowsSymbolicLinks) {
    const auto root = fs::canonical(fresh_folder("long_path"));
    write_bytes(root / "long folder name" / "plan.dxf", "x");
    fs::create_symlink(root / "long folder name" / "plan.dxf", root / "alias.dxf");
    fs::create_symlink(root / "nothing.dxf", root / "dangling.dxf");

    EXPECT_EQ(platform::long_path_name(wide_path(root / "alias.dxf")),
              wide_path(root / "long folder name" / "plan.dxf"));
    EXPECT_EQ(platform::long_path_name(wide_path(root / "long folder name" / ".." / "alias.dxf")),
              wide_path(root / "long folder name" / "plan.dxf"));
    EXPECT_EQ(platform::long_path_name(wide_path(root / "dangling.dxf")), u"");
    EXPECT_EQ(platform::long_path_name(u""), u"");
    EXPECT_TRUE(platform::is_symbolic_link(wide_path(root / "dangling.dxf")));
    EXPECT_FALSE(platform::is_symbolic_link(wide_path(root / "long folder name" / "plan.dxf")));
}

}  // namespace
}  // namespace vermark
