// Markup broken into lines before two copies of a page are compared, so that a page written on
// one long line is compared element by element.
#pragma once

#include <string>
#include <string_view>

namespace vermark {

// The text with CR LF put after closing div, script, span, li and a tags and after ");", and
// between ">" and a following opening div, script, span, style, img, li, ul or ol tag or after
// "/>". The replacements run once each, in that order, each on the result of those before it;
// the closing tags are also found in other letter cases. Not idempotent: a text passed twice
// gains empty lines.
std::u16string break_markup_lines(std::u16string_view text);

// The same result as replace_all (exact occurrences first, other letter cases once no exact one
// lies ahead), made in one pass over the text, so that a large page costs linear time. Falls
// back to replace_all when an occurrence could begin inside the inserted text.
std::u16string replace_every(std::u16string_view text, std::u16string_view what,
                             std::u16string_view by);

}  // namespace vermark
