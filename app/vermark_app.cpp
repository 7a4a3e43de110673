#include "app/vermark_app.h"

#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <chrono>

#include "app/dialog/background_work.h"
#include "app/dialog/startup_hooks.h"
#include "app/message_box_qt.h"
#include "app/qt_text.h"
#include "app/vermark_dlg.h"
#include "platform/beep.h"
#include "platform/process.h"
#include "util/path.h"

using namespace vermark;

CVermarkApp theApp;

namespace {

constexpr std::chrono::seconds kExitWaitLimit{10};

}  // namespace

void CVermarkApp::set_command_line(const QStringList& arguments) {
    // The program's own path heads the list, as the command-line tool's does.
    StringList saved{platform::executable_path()};
    std::vector<std::u16string> paths;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        saved.push_back(from_qstring(arguments[i]));
        if (arguments[i].isEmpty()) continue;
        paths.push_back(from_qstring(QFileInfo(arguments[i]).absoluteFilePath()));
    }
    set_saved_arguments(std::move(saved));
    set_startup_paths(std::move(paths));
}

bool CVermarkApp::InitInstance() {
    install_settings_profile();
    platform::set_beep_handler(&QApplication::beep);
    run_main_dialog();
    // The window is gone, so the loads have been told to stop and hand nothing back. A copy being
    // written when it closed is finished.
    wait_for_background_work(kExitWaitLimit);
    return false;
}

void CVermarkApp::run_main_dialog() {
    CVermarkDlg dialog;
    m_pMainWnd = &dialog;
    ScopedMessageBoxPresenter boxes(qt_message_box_presenter(&dialog));
    dialog.open_after_first_paint(startup_paths_);
    dialog.DoModal();
    m_pMainWnd = nullptr;
}
