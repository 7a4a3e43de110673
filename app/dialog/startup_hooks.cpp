#include "app/dialog/startup_hooks.h"

#include "diag/shell_launcher.h"
#include "platform/app_context.h"
#include "settings/profile_store.h"
#include "update/startup_check.h"
#include "util/folders.h"

namespace vermark {
namespace {

bool open_in_browser(std::u16string_view address) {
    ShellLauncher launcher;
    launcher.set_verb(u"open");
    launcher.set_file(std::u16string(address));
    return launcher.execute();
}

}  // namespace

void install_settings_profile() {
    const std::u16string ini = ini_path();
    const platform::ApplicationObject* current = platform::application_object();
    if (current && current->profile_name == ini) return;
    platform::ApplicationObject application;
    if (current) application = *current;
    application.profile_name = ini;
    platform::install_application_object(std::move(application));
}

void run_startup_update_check(DialogView& view) {
    run_daily_update_check(open_in_browser);
    view.set_caption(startup_caption(view.caption()));
}

void restore_dialog_position(PlacementWindow& window, const Screens& screens) {
    ProfileStore store(u"");
    restore_dialog_placement(store, &window, kDialogPlacementName, screens);
}

void save_dialog_position(PlacementWindow& window, const Screens& screens) {
    ProfileStore store(u"");
    save_dialog_placement(store, &window, kDialogPlacementName, std::nullopt, screens);
}

}  // namespace vermark
