// The points in the main dialog's life where work unrelated to DXF files runs: the daily
// update check and the caption before the window shows, the placement restore after the
// layout, the placement save when the dialog is destroyed.
#pragma once

class CVermarkDlg;

// Start-up hook A (OnInitDialog step 4): update check, then the caption's environment text.
void run_update_check_and_caption(CVermarkDlg& dialog);

// Start-up hook B (OnInitDialog step 7): restore the dialog where the user left it.
void restore_dialog_placement_hook(CVermarkDlg& dialog);

// Shut-down hook (OnDestroy, after the framework's handling): save the dialog's placement.
void save_dialog_placement_hook(CVermarkDlg& dialog);
