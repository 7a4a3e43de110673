#include "text/markup.h"

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

}  // namespace

std::u16string break_markup_lines(std::u16string_view text) {
    std::u16string result(text);
    for (const auto& step : kLineBreaks) result = replace_all(result, step.find, step.replace_by);
    return result;
}

}  // namespace vermark
