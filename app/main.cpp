// vermark-gui: the dialog. Files named on the command line are loaded as if dropped on it.
#include <QApplication>
#include <QIcon>

#include "app/dialog/string_table.h"
#include "app/dialog/timing_trace.h"
#include "app/qt_text.h"
#include "app/vermark_app.h"

int main(int argc, char* argv[]) {
    vermark::trace_timing("main");
    QApplication application(argc, argv);
    application.setApplicationName(
        vermark::to_qstring(vermark::load_string(vermark::AFX_IDS_APP_TITLE)));
    application.setDesktopFileName(QStringLiteral("vermark"));
    // Desktops without a theme of their own still get file-type icons.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor")) {
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    }

    theApp.set_command_line(application.arguments());
    theApp.InitInstance();
    return 0;
}
