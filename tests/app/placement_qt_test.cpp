#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <cmath>
#include <cstdlib>

#include "app/dialog_hooks.h"
#include "app/placement_qt.h"
#include "app/vermark_dlg.h"
#include "platform/app_context.h"
#include "platform/profile.h"
#include "platform/wide.h"
#include "settings/profile_cache.h"
#include "settings/profile_store.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

class PlacementQtTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_profile_process_state();
        ini_ =
            platform::from_utf8((testing::fresh_folder("placement-qt") / "Vermark.ini").string());
        application_.emplace(platform::ApplicationObject{std::nullopt, ini_});
        saved_hooks_ = CVermarkDlg::hooks();
        CVermarkDlg::hooks().update_check_and_caption = nullptr;  // no network in these tests
    }
    void TearDown() override {
        CVermarkDlg::hooks() = saved_hooks_;
        application_.reset();
    }

    std::u16string ini_value(std::u16string_view section, std::u16string_view key) {
        char16_t buffer[256];
        const auto n = platform::GetPrivateProfileStringW(section, key, u"", buffer, 256, ini_);
        return std::u16string(buffer, n);
    }

    // Opens the dialog, moves it to (x, y) at 320 x 200 and closes it; the frame it closed with.
    static QRect close_dialog_moved_to(int x, int y) {
        CVermarkDlg dialog;
        dialog.OnInitDialog();
        dialog.show();
        dialog.move(x, y);
        dialog.resize(320, 200);
        QApplication::processEvents();
        const QRect closed_at = dialog.frameGeometry();
        dialog.hide();
        dialog.OnDestroy();
        return closed_at;
    }

    std::u16string ini_;
    std::optional<platform::ScopedApplicationObject> application_;
    CVermarkDlg::Hooks saved_hooks_{};
};

TEST_F(PlacementQtTest, TheDialogReopensWhereTheLastRunClosedIt) {
    const QRect closed_at = close_dialog_moved_to(30, 40);
    const std::u16string saved =
        ini_value(u"Position\\Dialog", u"Position_CVermarkDlg_CDialog_LTRB");
    EXPECT_EQ(saved, platform::from_utf8(QStringLiteral("%1 %2 %3 %4")
                                             .arg(closed_at.x())
                                             .arg(closed_at.y())
                                             .arg(closed_at.x() + closed_at.width())
                                             .arg(closed_at.y() + closed_at.height())
                                             .toStdString()));

    CVermarkDlg second;
    second.OnInitDialog();
    EXPECT_EQ(second.frameGeometry(), closed_at);
}

TEST_F(PlacementQtTest, ARectangleOffTheScreenIsBroughtIntoTheWorkArea) {
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    {
        ProfileStore store(u"");
        store.write_rect(u"Position\\Dialog", u"Position_CVermarkDlg_CDialog",
                         Rect{work.right() + 500, 10, work.right() + 800, 210});
    }
    CVermarkDlg dialog;
    restore_dialog_placement_hook(dialog);
    const QRect frame = dialog.frameGeometry();
    EXPECT_TRUE(work.contains(frame)) << frame.x() << "," << frame.y();
    EXPECT_EQ(frame.size(), QSize(300, 200));
}

TEST_F(PlacementQtTest, ADialogPlacedBeforeItIsShownGetsTheSavedFrameSize) {
    {
        ProfileStore store(u"");
        store.write_rect(u"Position\\Dialog", u"Position_CVermarkDlg_CDialog",
                         Rect{60, 70, 390, 290});
    }
    // The hook runs before the window system has decorated the window.
    CVermarkDlg dialog;
    dialog.OnInitDialog();
    dialog.show();
    QApplication::processEvents();
    EXPECT_EQ(dialog.frameGeometry(), QRect(60, 70, 330, 220));
    EXPECT_NE(dialog.frameGeometry(), dialog.geometry()) << "the window has a frame";
}

int device(int scaled, qreal ratio) {
    return int(std::lround(scaled * ratio));
}

// Runs under screen scaling only: ctest's app.placement_under_scaling sets QT_SCALE_FACTOR=1.25.
TEST_F(PlacementQtTest, ScaledScreenStoresAndRestoresDevicePixels) {
    const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
    if (ratio == 1.0) {
        ASSERT_EQ(std::getenv("VERMARK_EXPECT_SCALED_SCREEN"), nullptr)
            << "the screen is not scaled";
        GTEST_SKIP() << "needs a scaled screen (QT_SCALE_FACTOR=1.25)";
    }
    const QRect closed_at = close_dialog_moved_to(40, 48);
    const std::u16string saved =
        ini_value(u"Position\\Dialog", u"Position_CVermarkDlg_CDialog_LTRB");
    EXPECT_EQ(saved, platform::from_utf8(QStringLiteral("%1 %2 %3 %4")
                                             .arg(device(closed_at.x(), ratio))
                                             .arg(device(closed_at.y(), ratio))
                                             .arg(device(closed_at.x() + closed_at.width(), ratio))
                                             .arg(device(closed_at.y() + closed_at.height(), ratio))
                                             .toStdString()));

    CVermarkDlg second;
    second.OnInitDialog();
    EXPECT_EQ(second.frameGeometry(), closed_at);
}

TEST(QtPlacementWindow, ClassNamesAndFrameState) {
    QDialog dialog;
    QMainWindow frame;
    QWidget plain;
    EXPECT_EQ(QtPlacementWindow(dialog).class_name(), u"CDialog");
    EXPECT_EQ(QtPlacementWindow(frame).class_name(), u"CFrameWnd");
    EXPECT_EQ(QtPlacementWindow(plain).class_name(), u"CWnd");

    QtPlacementWindow window(frame);
    WindowPlacement wanted;
    wanted.normal_rect = {20, 30, 420, 330};
    window.set_placement(wanted);
    const WindowPlacement normal = window.placement();
    EXPECT_EQ(normal.show_command, SW_SHOWNORMAL);
    EXPECT_EQ(normal.normal_rect, wanted.normal_rect);

    wanted.show_command = SW_SHOWMAXIMIZED;
    window.set_placement(wanted);
    EXPECT_TRUE(frame.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(window.placement().show_command, SW_SHOWMAXIMIZED);
}

}  // namespace
}  // namespace vermark
