#include "update/u_agent.h"

#include <optional>

#include "platform/os_info.h"
#include "platform/wide.h"
#include "settings/version_info.h"
#include "util/folders.h"
#include "util/path.h"

namespace vermark {
namespace {

// Build constants the text reports, as the program was built on its first platform.
constexpr int kTargetWindowsVersion = 0x400;
constexpr int kFrameworkVersion = 0x600;
constexpr double kCompilerVersion = 12.0;

std::optional<std::u16string>& agent_text_cache() {
    static std::optional<std::u16string> text;
    return text;
}

std::function<double()>& dpi_source() {
    static std::function<double()> source;
    return source;
}

// "1, 0, 2023, 9" -> "1.0.2023.9".
std::u16string dotted_version(std::u16string text) {
    std::u16string out;
    for (char16_t c : text) {
        if (c == u' ') continue;
        out.push_back(c == u',' ? u'.' : c);
    }
    return out;
}

// The leading digits and dots of a release text.
std::u16string leading_dotted_number(std::u16string_view release) {
    std::size_t end = 0;
    while (end < release.size() &&
           ((release[end] >= u'0' && release[end] <= u'9') || release[end] == u'.'))
        ++end;
    std::u16string number(release.substr(0, end));
    while (!number.empty() && number.back() == u'.') number.pop_back();
    return number;
}

// The piece between its fixed words, trimmed and then given one blank on each side.
std::u16string spaced(std::u16string_view before, std::u16string_view value) {
    return u" " + trim(std::u16string(before) + std::u16string(value) + u"  ") + u" ";
}

std::u16string agent_program_name() {
    std::u16string name = program_name();
    return name.empty() ? file_name_of(get_arv()) : name;
}

}  // namespace

std::u16string user_agent_text() {
    auto& cache = agent_text_cache();
    if (!cache || cache->empty()) {
        cache = agent_program_name() + u" " + os_version_text() + u" " + program_version_text() +
                build_flags_text() + vc_version_text() + msc_version_text() + dpi_text() + u" " +
                user_name();
    }
    return *cache;
}

void reset_user_agent_text() {
    agent_text_cache().reset();
}

std::u16string environment_description() {
    return u" " + program_version_text() + msc_version_text() + dpi_text();
}

std::u16string caption_with_suffix(std::u16string_view caption, std::u16string_view suffix) {
    const std::u16string tail = suffix.empty()
                                    ? program_version_text() + msc_version_text() + dpi_text()
                                    : std::u16string(suffix);
    return std::u16string(caption) + u" " + tail;
}

std::u16string os_version_text() {
    const std::u16string version = windows_product_version();
    return u"Windows NT " + format_real(parse_real(version)) + u" " +
           bracketed(windows_product_version(), u'(');
}

std::u16string windows_product_version() {
    return dotted_version(leading_dotted_number(platform::from_utf8(platform::kernel_release())));
}

std::u16string program_version_text() {
    std::u16string text;
    const std::u16string running_name = file_name_of(get_arv());
    const std::u16string resource_name = program_name();
    if (!resource_name.empty() && !equals_ignoring_case(resource_name, running_name))
        text += bracketed(running_name, u'(');
    VersionInfo info(get_arv());
    const std::u16string version = info.file_version();
    if (!version.empty()) text += u" Ver." + dotted_version(version) + u" ";
    return text;
}

std::u16string build_flags_text() {
    std::u16string text;
    if (platform::is_32bit_process_on_64bit_system()) text += u" WOW64 ";
    text += u" UNICODE ";
    text += u" AFXDLL ";
    text += u" Win " + integer_text(kTargetWindowsVersion, 16) + u" ";
    return text;
}

std::u16string vc_version_text() {
    const double version = parse_real(integer_text(kFrameworkVersion, 16)) * 0.01;
    return spaced(u" VC ", format_real(version));
}

std::u16string msc_version_text() {
    return spaced(u"  MSC ", format_real(kCompilerVersion));
}

std::u16string dpi_text() {
    const double scale = window_dpi() * (1.0 / 96);
    if (scale == 1) return u"";
    return u"  DPI " + platform::from_utf8(std::to_string(static_cast<long long>(scale * 100))) +
           u"%";
}

double window_dpi() {
    const auto& source = dpi_source();
    return source ? source() : 96.0;
}

void set_main_window_dpi_source(std::function<double()> source) {
    dpi_source() = std::move(source);
}

}  // namespace vermark
