// The application object: installs the settings file as the profile, runs the main dialog
// modally, and ends the program when the dialog closes.
#pragma once

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

    // Paths to load once the dialog runs, one after the other like a drop.
    void set_startup_paths(std::vector<std::u16string> paths) { startup_paths_ = std::move(paths); }

    // The running main dialog, null before and after it runs.
    CVermarkDlg* m_pMainWnd = nullptr;

  private:
    std::vector<std::u16string> startup_paths_;
};

// The one application object.
extern CVermarkApp theApp;
