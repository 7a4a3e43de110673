// The application object: installs the settings file as the profile, runs the main dialog
// modally, and ends the program when the dialog closes.
#pragma once

#include <QStringList>
#include <string>
#include <vector>

class CVermarkDlg;

class CVermarkApp {
  public:
    CVermarkApp() = default;
    virtual ~CVermarkApp() = default;
    CVermarkApp(const CVermarkApp&) = delete;
    CVermarkApp& operator=(const CVermarkApp&) = delete;

    // Runs the dialog; false, so that the program ends afterwards. Needs a QApplication.
    virtual bool InitInstance();

    // Takes the program's command line (as QApplication::arguments gives it): the program's path
    // and the arguments become the saved argument list, which the path helpers compare with, and
    // the non-empty arguments, made absolute, become the paths to load.
    void set_command_line(const QStringList& arguments);

    // Paths to load once the dialog runs, one after the other like a drop.
    void set_startup_paths(std::vector<std::u16string> paths) { startup_paths_ = std::move(paths); }
    const std::vector<std::u16string>& startup_paths() const { return startup_paths_; }

    // The running main dialog, null before and after it runs.
    CVermarkDlg* m_pMainWnd = nullptr;

  private:
    void run_main_dialog();

    std::vector<std::u16string> startup_paths_;
};

// The one application object.
extern CVermarkApp theApp;
