// Start-up hook B and the shut-down hook: the main dialog reopens where the user left it.
#include "app/dialog_hooks.h"
#include "app/placement_qt.h"
#include "app/vermark_dlg.h"
#include "settings/profile_store.h"
#include "settings/window_placement.h"

namespace {

// The name the dialog's placement is stored under.
constexpr std::u16string_view kPlacementName = u"CVermarkDlg";

}  // namespace

void restore_dialog_placement_hook(CVermarkDlg& dialog) {
    vermark::ProfileStore store(u"");
    vermark::QtPlacementWindow window(dialog);
    vermark::restore_dialog_placement(store, &window, kPlacementName, vermark::QtScreens());
}

void save_dialog_placement_hook(CVermarkDlg& dialog) {
    vermark::ProfileStore store(u"");
    vermark::QtPlacementWindow window(dialog);
    vermark::save_dialog_placement(store, &window, kPlacementName, std::nullopt,
                                   vermark::QtScreens());
}
