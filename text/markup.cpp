#include "text/markup.h"

#include <algorithm>

#include "platform/text_case.h"
#include "update/url_text.h"

namespace vermark {
namespace {

struct Replacement {
    std::u16string_view find;
    std::u16string_view replace_by;
};

// The order matters: after "</a>" has gained its line break, a following "<div" is no longer
// preceded by ">" and gets no second break.
constexpr Replacement kLineBreaks[] = {
    {u"</div>", u"</div>\r\n"},
    {u"</script>", u"</script>\r\n"},
    {u"</span>", u"</span>\r\n"},
    {u"</li>", u"</li>\r\n"},
    {u"</a>", u"</a>\r\n"},
    {u"><div", u">\r\n<div"},
    {u"><script", u">\r\n<script"},
    {u"><span", u">\r\n<span"},
    {u"><style", u">\r\n<style"},
    {u"><img", u">\r\n<img"},
    {u"><li", u">\r\n<li"},
    {u"><ul", u">\r\n<ul"},
    {u"><ol", u">\r\n<ol"},
    {u"/><", u"/>\r\n<"},
    {u");", u");\r\n"},
};

// replace_all looks again from inside what it has just inserted (from its start when it is
// shorter than what it replaced, else from its last |what| - 1 characters). When no occurrence
// can begin there, every search simply goes on in the original text after the occurrence.
bool search_cannot_restart_inside(std::u16string_view what, std::u16string_view by) {
    const std::u16string what_lower = platform::ascii_lower(what);
    const std::u16string by_lower = platform::ascii_lower(by);
    const std::size_t restart = by.size() < what.size() ? 0 : by.size() - what.size() + 1;
    for (std::size_t i = restart; i < by.size(); ++i) {
        const std::size_t overlap = std::min(by.size() - i, what.size());
        if (by_lower.compare(i, overlap, what_lower, 0, overlap) == 0) return false;
    }
    return true;
}

}  // namespace

std::u16string replace_every(std::u16string_view text, std::u16string_view what,
                             std::u16string_view by) {
    if (what.empty() || !search_cannot_restart_inside(what, by)) return replace_all(text, what, by);
    std::u16string out;
    out.reserve(text.size());
    std::size_t position = 0;
    for (auto found = text.find(what); found != std::u16string_view::npos;
         found = text.find(what, position)) {
        out.append(text.substr(position, found - position)).append(by);
        position = found + what.size();
    }
    // No exact occurrence lies ahead any more, and the rest of the text is original: from here
    // on occurrences in any letter case count.
    const std::u16string rest_lower = platform::ascii_lower(text.substr(position));
    const std::u16string what_lower = platform::ascii_lower(what);
    std::size_t done = 0;
    for (auto found = rest_lower.find(what_lower); found != std::u16string::npos;
         found = rest_lower.find(what_lower, done)) {
        out.append(text.substr(position + done, found - done)).append(by);
        done = found + what.size();
    }
    out.append(text.substr(position + done));
    return out;
}

std::u16string break_markup_lines(std::u16string_view text) {
    std::u16string result(text);
    for (const auto& step : kLineBreaks) result = replace_every(result, step.find, step.replace_by);
    return result;
}

}  // namespace vermark
