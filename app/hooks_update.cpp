// Start-up hook A: the daily update check and the caption's environment description.
#include "app/dialog_hooks.h"

void run_update_check_and_caption(CVermarkDlg&) {}
