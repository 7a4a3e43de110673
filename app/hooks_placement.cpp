// Start-up hook B and the shut-down hook: the main dialog reopens where the user left it.
#include "app/dialog/startup_hooks.h"
#include "app/dialog_hooks.h"
#include "app/placement_qt.h"
#include "app/vermark_dlg.h"

void restore_dialog_placement_hook(CVermarkDlg& dialog) {
    vermark::QtPlacementWindow window(dialog);
    vermark::restore_dialog_position(window, vermark::QtScreens());
}

void save_dialog_placement_hook(CVermarkDlg& dialog) {
    vermark::QtPlacementWindow window(dialog);
    vermark::save_dialog_position(window, vermark::QtScreens());
}
