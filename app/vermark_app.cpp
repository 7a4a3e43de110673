#include "app/vermark_app.h"

#include <QTimer>

#include "app/message_box_qt.h"
#include "app/vermark_dlg.h"
#include "platform/app_context.h"
#include "util/folders.h"

using namespace vermark;

CVermarkApp theApp;

namespace {

// The settings file becomes the framework's profile unless it already is.
void install_profile() {
    const std::u16string ini = ini_path();
    const ApplicationObject* current = application_object();
    if (current && current->profile_name == ini) return;
    ApplicationObject application;
    if (current) application = *current;
    application.profile_name = ini;
    install_application_object(std::move(application));
}

}  // namespace

bool CVermarkApp::InitInstance() {
    install_profile();
    CVermarkDlg dialog;
    m_pMainWnd = &dialog;
    ScopedMessageBoxPresenter boxes(qt_message_box_presenter(&dialog));
    if (!startup_paths_.empty()) {
        QTimer::singleShot(0, &dialog,
                           [&dialog, paths = startup_paths_] { dialog.open_paths(paths); });
    }
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return false;
}
