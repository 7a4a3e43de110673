// The About box: the program's description, version and copyright from its version resource.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    enum { IDD = 100 };

    explicit CAboutDlg(QWidget* parent = nullptr);

    // Initialises the box once, then runs it modally.
    int DoModal();
    bool OnInitDialog();

    // The box's items: 1000 (description and version), 1001 (copyright), 1 (OK).
    QWidget* GetDlgItem(int id) const;

  private:
    QLabel icon_;
    QLabel version_;
    QLabel copyright_;
    QPushButton ok_;
    bool initialised_ = false;
};
