#include "settings/profile_cache.h"

#include "diag/log.h"
#include "platform/beep.h"
#include "settings/typed_value_format.h"

namespace vermark {

namespace {

constexpr std::u16string_view kField = u"\t ";

}  // namespace

ProfileProcessState& profile_process_state() {
    static ProfileProcessState state;
    return state;
}

void reset_profile_process_state() {
    profile_process_state() = ProfileProcessState{};
}

void cache_flush(ProfileCache& cache, bool log_on) {
    if (log_on && !kRunningInsideDll) {
        // Heard only where a window installed the desktop's beep.
        platform::beep_asterisk();
        for (const ProfileCacheEntry& e : cache) {
            std::u16string line(u"Cache ");
            for (std::u16string_view field :
                 {std::u16string_view(e.path()), std::u16string_view(e.section()),
                  std::u16string_view(e.entry())}) {
                line += kField;
                line += field;
            }
            line += kField;
            line += int_to_text(e.int_value(), 10);
            line += kField;
            line += e.text_value();
            line += kField;
            line += int_to_text(e.hits(), 10);
            log_line(line);
        }
    }
    cache.clear();
}

}  // namespace vermark
