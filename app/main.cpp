// vermark-gui: the dialog. Files named on the command line are loaded as if dropped on it.
#include <QApplication>
#include <QIcon>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/dialog/background_work.h"
#include "app/dialog/string_table.h"
#include "app/dialog/timing_trace.h"
#include "app/qt_text.h"
#include "app/vermark_app.h"
#include "platform/safe_replace.h"

namespace {

// How long the work still running after the copies were waited for (a drawing being read or
// rendered when the window closed) may take to end.
constexpr std::chrono::seconds kReaderExitWaitLimit{3};

}  // namespace

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
    if (!vermark::wait_for_all_background_work(kReaderExitWaitLimit)) {
        // A worker still running would meet Qt and the static objects torn down under it. A copy
        // that is still not written leaves no part of itself behind.
        vermark::platform::remove_staged_files_in_flight();
        std::fflush(nullptr);
        std::quick_exit(0);
    }
    return 0;
}
