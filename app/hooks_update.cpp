// Start-up hook A: the daily update check and the caption's environment description.
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include "app/dialog/startup_hooks.h"
#include "app/dialog_hooks.h"
#include "app/vermark_dlg.h"
#include "update/u_agent.h"

namespace {

// Dots per inch of the screen the dialog is on, scaling included; the primary screen's while
// the dialog has none, 96 when there is no screen at all.
double screen_dpi(const QWidget* widget) {
    const QScreen* screen = widget ? widget->screen() : QGuiApplication::primaryScreen();
    if (!screen) return 96.0;
    return screen->logicalDotsPerInch() * screen->devicePixelRatio();
}

}  // namespace

void run_update_check_and_caption(CVermarkDlg& dialog) {
    QPointer<CVermarkDlg> window(&dialog);
    vermark::set_main_window_dpi_source([window] { return screen_dpi(window.data()); });
    vermark::run_startup_update_check(dialog);
}
