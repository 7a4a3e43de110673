#include "update/startup_check.h"

#include "update/u_agent.h"
#include "update/update_schedule.h"

namespace vermark {
namespace {

constexpr long kOpenAboveCount = 5;

}  // namespace

bool run_daily_update_check(const PageOpener& open_page) {
    const std::u16string page = update_page_name();
    if (!update_check_due(page)) return false;
    check_for_update(page);
    if (update_count() <= kOpenAboveCount) return false;
    return open_page(u"https:" + page);
}

std::u16string startup_caption(std::u16string_view template_caption) {
    return caption_with_suffix(template_caption, u"");
}

}  // namespace vermark
