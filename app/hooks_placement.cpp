// Start-up hook B and the shut-down hook: the dialog's placement is restored and saved.
#include "app/dialog_hooks.h"

void restore_dialog_placement_hook(CVermarkDlg&) {}

void save_dialog_placement_hook(CVermarkDlg&) {}
