// Shared pieces of the dialog tests: the start-up and shut-down hooks replaced by recorders (so
// no update check goes to the network), small drawings, and a synthesised drop.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/vermark_dlg.h"
#include "platform/wide.h"
#include "support/sandbox.h"

namespace vermark::testing {

inline std::vector<std::string>& hook_calls() {
    static std::vector<std::string> calls;
    return calls;
}

// A drawing without $ACADVER (eligible), with CR LF line ends.
inline std::string dxf_without_version() {
    return "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$INSBASE\r\n 10\r\n0.0\r\n 20\r\n0.0\r\n"
           "  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nLINE\r\n  8\r\n0\r\n"
           " 10\r\n0.0\r\n 20\r\n0.0\r\n 11\r\n100.0\r\n 21\r\n50.0\r\n  0\r\nENDSEC\r\n"
           "  0\r\nEOF\r\n";
}

// A drawing that records AC1015.
inline std::string dxf_with_version() {
    return "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1015\r\n"
           "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
}

inline std::u16string wide(const std::filesystem::path& p) {
    return platform::from_utf8(p.string());
}

// Runs the event loop until `done` holds, for ten seconds at most.
template <class Done>
void run_events_until(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 10000) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
}

// Lets the dialog's background work (loads, stampings, renders) finish and come back.
inline void settle(CVermarkDlg& dialog) {
    run_events_until(
        [&] { return !dialog.loading() && !dialog.stamping() && !dialog.rendering(); });
}

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = CVermarkDlg::hooks();
        hook_calls().clear();
        CVermarkDlg::hooks() = {
            [](CVermarkDlg& d) {
                hook_calls().push_back(d.windowFlags().testFlag(Qt::WindowStaysOnTopHint)
                                           ? "update(topmost)"
                                           : "update");
            },
            [](CVermarkDlg& d) {
                const bool laid_out = d.m_Preview.geometry().right() == d.width() - 2;
                hook_calls().push_back(laid_out ? "restore(laid out)" : "restore");
            },
            [](CVermarkDlg&) { hook_calls().push_back("save"); },
        };
    }
    void TearDown() override { CVermarkDlg::hooks() = saved_; }

    // Delivers a drag of `files` entering the dialog and dropped on it. The events go straight to
    // the dialog's event handler: the application would only pass on a drop that its own drag
    // manager started.
    static void drop(CVermarkDlg& dialog, const std::vector<std::filesystem::path>& files) {
        QMimeData data;
        QList<QUrl> urls;
        for (const auto& f : files) urls << QUrl::fromLocalFile(QString::fromStdString(f.string()));
        data.setUrls(urls);
        QObject& target = dialog;
        QDragEnterEvent enter(QPoint(50, 80), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        target.event(&enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(50, 80), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        target.event(&event);
        settle(dialog);
    }

    // Runs `inspect` on the next modal window once it is up, then closes that window.
    static void on_next_modal(std::function<void(QWidget*)> inspect) {
        QTimer::singleShot(0, [inspect] {
            QWidget* modal = QApplication::activeModalWidget();
            inspect(modal);
            if (modal) modal->close();
        });
    }

  private:
    CVermarkDlg::Hooks saved_{};
};

}  // namespace vermark::testing
