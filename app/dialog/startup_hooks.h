// The work around the main dialog's life that has nothing to do with drawings: before it first
// shows, the daily update check and the caption's environment description, then the placement
// restore; when it is destroyed, the placement save.
#pragma once

#include <string_view>

#include "app/dialog/dialog_view.h"
#include "settings/window_placement.h"

namespace vermark {

// The name the dialog's placement is stored under.
inline constexpr std::u16string_view kDialogPlacementName = u"CVermarkDlg";

// Makes the settings file the framework's profile (what a ProfileStore with an empty name
// uses), unless it already is. The application does it before the dialog runs.
void install_settings_profile();

// The update check (the update page opened with the shell when it asks for it), then the
// caption extended by the environment description.
void run_startup_update_check(DialogView& view);

// The dialog back where the user left it, from the settings file of the profile.
void restore_dialog_position(PlacementWindow& window, const Screens& screens);
void save_dialog_position(PlacementWindow& window, const Screens& screens);

}  // namespace vermark
