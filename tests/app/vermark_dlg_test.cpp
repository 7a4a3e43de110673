#include "app/vermark_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSysInfo>
#include <QThread>
#include <filesystem>

#include "app/about_dlg.h"
#include "app/dialog/background_work.h"
#include "app/dialog_layout.h"
#include "app/drop_intake.h"
#include "app/qt_text.h"
#include "diag/message_box.h"
#include "dialog_fixture.h"
#include "version_resource.h"

namespace vermark::testing {
namespace {

namespace fs = std::filesystem;

QString button_text(const CVermarkDlg& dialog, int id) {
    auto* button = qobject_cast<QPushButton*>(dialog.GetDlgItem(id));
    return button ? button->text() : QString();
}

TEST_F(DialogTest, BuiltFromItsTemplate) {
    CVermarkDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("$ACADVER 追加"));
    EXPECT_EQ(button_text(dialog, IDOK), QStringLiteral("OK"));
    EXPECT_EQ(button_text(dialog, IDCANCEL), QStringLiteral("終了(&Q)"));
    EXPECT_EQ(button_text(dialog, IDC_ADD_ACADVER), QStringLiteral("$&ACADVER 追加"));
    EXPECT_EQ(dialog.GetDlgItem(IDC_PREVIEW), &dialog.m_Preview);
    EXPECT_EQ(dialog.GetDlgItem(IDC_INFO), &dialog.m_Edit);
    EXPECT_TRUE(dialog.GetDlgItem(IDOK)->isHidden());
    EXPECT_FALSE(dialog.m_Add.isEnabled());
    EXPECT_TRUE(dialog.m_Edit.isReadOnly());
    EXPECT_TRUE(dialog.acceptDrops());
    EXPECT_TRUE(dialog.m_Info.empty() && dialog.m_Text.empty() && dialog.m_DxfPath.empty());
    EXPECT_EQ(dialog.m_TextCode, 0);

    // Sizes come from dialog units with the font's metrics: 201 x 170 units of client area,
    // the pane 142 x 114 units at (0, 29).
    const QSize units = dialog_base_units(dialog.font());
    EXPECT_EQ(dialog.size(), map_dialog_rect(0, 0, 201, 170, units).size());
    EXPECT_EQ(dialog.m_Preview.geometry(), map_dialog_rect(0, 29, 142, 114, units));
    EXPECT_EQ(dialog.m_Edit.geometry(), map_dialog_rect(1, 16, 159, 12, units));
}

TEST_F(DialogTest, InitialisationRunsTheHooksAtTheirPointsAndGoesOnTop) {
    CVermarkDlg dialog;
    EXPECT_TRUE(dialog.OnInitDialog());
    // The update check runs before the window is made topmost; the placement is restored after
    // the layout.
    EXPECT_EQ(hook_calls(), (std::vector<std::string>{"update", "restore(laid out)"}));
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(dialog.windowIcon().pixmap(32).isNull()) << "icon 128 is the window's icon";
    dialog.OnDestroy();
    dialog.OnDestroy();
    EXPECT_EQ(hook_calls().back(), "save");
    EXPECT_EQ(hook_calls().size(), 3u) << "the placement is saved once";
}

TEST_F(DialogTest, ModalRunSavesThePlacementWhenItEnds) {
    {
        CVermarkDlg dialog;
        on_next_modal([](QWidget*) {});
        dialog.DoModal();
        EXPECT_EQ(hook_calls(), (std::vector<std::string>{"update", "restore(laid out)", "save"}));
    }
    EXPECT_EQ(hook_calls().size(), 3u);
}

TEST_F(DialogTest, EnterClosesThroughTheHiddenDefaultButton) {
    CVermarkDlg dialog;
    dialog.OnInitDialog();
    dialog.show();
    dialog.m_Edit.setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(DialogTest, LayoutKeepsOnePixelFromTheClientEdgesOnResize) {
    CVermarkDlg dialog;
    dialog.OnInitDialog();
    const QRect pane = dialog.m_Preview.geometry();
    const QRect edit = dialog.m_Edit.geometry();
    for (QSize size : {QSize(500, 400), QSize(180, 120)}) {
        dialog.resize(size);
        dialog.show();
        QApplication::processEvents();
        const QRect p = dialog.m_Preview.geometry();
        EXPECT_EQ(p.left(), 1);
        EXPECT_EQ(p.top(), pane.top()) << "the top stays where the template put it";
        EXPECT_EQ(p.right(), size.width() - 2);  // exclusive right edge at width - 1
        EXPECT_EQ(p.bottom(), size.height() - 2);
        const QRect e = dialog.m_Edit.geometry();
        EXPECT_EQ(e.topLeft(), edit.topLeft());
        EXPECT_EQ(e.height(), edit.height());
        EXPECT_EQ(e.right(), size.width() - 2);
    }
    EXPECT_FALSE(fit_to_client(nullptr, &dialog.m_Edit, 1, false, false, false, false));
    EXPECT_FALSE(fit_to_client(&dialog, nullptr, 1, false, false, false, false));
}

TEST_F(DialogTest, DropOfOneFileInspectsIt) {
    const auto folder = fresh_folder("drop_one");
    write_bytes(folder / "plan.dxf", dxf_without_version());
    CVermarkDlg dialog;
    dialog.OnInitDialog();
    drop(dialog, {folder / "plan.dxf"});

    EXPECT_EQ(dialog.m_Info, u"ASCII");
    EXPECT_EQ(dialog.m_Edit.text(), QStringLiteral("ASCII"));
    EXPECT_EQ(dialog.m_Edit.cursorPosition(), 0) << "a narrow box shows the encoding name";
    EXPECT_TRUE(dialog.m_Add.isEnabled());
    EXPECT_EQ(dialog.m_DxfPath, wide_path(folder / "plan.dxf"));
    EXPECT_EQ(dialog.m_TextCode, 65);
    EXPECT_EQ(dialog.m_Text, platform::from_utf8(dxf_without_version()));
}

TEST_F(DialogTest, DropOfThreeFilesLeavesTheStateOfTheLast) {
    const auto folder = fresh_folder("drop_three");
    write_bytes(folder / "a.dxf", dxf_without_version());
    write_bytes(folder / "b.dxf", dxf_without_version());
    write_bytes(folder / "c.dxf", dxf_with_version());
    CVermarkDlg dialog;
    dialog.OnInitDialog();

    drop(dialog, {folder / "a.dxf", folder / "b.dxf", folder / "c.dxf"});
    EXPECT_EQ(dialog.m_Info, u"ASCII   AC1015");
    EXPECT_FALSE(dialog.m_Add.isEnabled());
    EXPECT_TRUE(dialog.m_DxfPath.empty());
    EXPECT_EQ(dialog.m_Text, platform::from_utf8(dxf_with_version()));

    drop(dialog, {folder / "c.dxf", folder / "a.dxf", folder / "b.dxf"});
    EXPECT_EQ(dialog.m_Info, u"ASCII");
    EXPECT_TRUE(dialog.m_Add.isEnabled());
    EXPECT_EQ(dialog.m_DxfPath, wide_path(folder / "b.dxf"));
}

TEST_F(DialogTest, CommandLinePathsLoadLikeADrop) {
    const auto folder = fresh_folder("open_paths");
    write_bytes(folder / "a.dxf", dxf_with_version());
    write_bytes(folder / "b.dxf", dxf_without_version());
    CVermarkDlg dialog;
    dialog.OnInitDialog();
    dialog.open_paths({wide_path(folder / "a.dxf"), wide_path(folder / "b.dxf")});
    settle(dialog);
    EXPECT_EQ(dialog.m_DxfPath, wide_path(folder / "b.dxf"));
}

TEST_F(DialogTest, CommandLineFilesWaitForTheWindowToShow) {
    const auto folder = fresh_folder("open_after_paint");
    write_bytes(folder / "plan.dxf", dxf_without_version());
    CVermarkDlg dialog;
    dialog.OnInitDialog();
    dialog.open_after_first_paint({wide_path(folder / "plan.dxf")});
    QApplication::processEvents();
    EXPECT_FALSE(dialog.loading());
    EXPECT_TRUE(dialog.m_DxfPath.empty()) << "nothing is read before the window is up";

    dialog.show();
    run_events_until([&] { return !dialog.m_DxfPath.empty() && !dialog.loading(); });
    EXPECT_EQ(dialog.m_DxfPath, wide_path(folder / "plan.dxf"));
}

TEST_F(DialogTest, ClosingWhileADrawingLoadsAndIsStampedNeitherCrashesNorWaits) {
    const auto folder = fresh_folder("close_during_work");
    write_bytes(folder / "plan.dxf", dxf_without_version());
    {
        CVermarkDlg dialog;
        dialog.OnInitDialog();
        dialog.open_paths({wide_path(folder / "plan.dxf")});
        settle(dialog);
        dialog.m_Add.click();
        dialog.open_paths({wide_path(folder / "plan.dxf")});
    }
    // What the workers hand back after the window is gone goes nowhere.
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    EXPECT_TRUE(wait_for_background_work(std::chrono::seconds(10)));
    EXPECT_TRUE(fs::exists(folder / "plan.1008.dxf")) << "a copy under way is finished";
}

TEST_F(DialogTest, DragsAreAcceptedOnlyWithLocalFiles) {
    CVermarkDlg dialog;
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/x.dxf"))});
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.org/x.dxf"))});
    web.setText(QStringLiteral("text"));

    QDragEnterEvent with_files(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton,
                               Qt::NoModifier);
    QApplication::sendEvent(&dialog, &with_files);
    EXPECT_TRUE(with_files.isAccepted());
    QDragEnterEvent with_web(QPoint(5, 5), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    with_web.ignore();
    QApplication::sendEvent(&dialog, &with_web);
    EXPECT_FALSE(with_web.isAccepted());
}

TEST(DroppedPaths, FileUrlsNamingThisMachineAreLocalPathsOtherHostsAreLeftOut) {
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("file://localhost/tmp/a.dxf")),
                  QUrl(QStringLiteral("file://") + QSysInfo::machineHostName() +
                       QStringLiteral("/tmp/b%20c.dxf")),
                  QUrl(QStringLiteral("file://elsewhere/tmp/d.dxf")),
                  QUrl(QStringLiteral("file:///tmp/e.dxf"))});
    EXPECT_EQ(dropped_paths(data),
              (std::vector<std::u16string>{u"/tmp/a.dxf", u"/tmp/b c.dxf", u"/tmp/e.dxf"}));
}

TEST_F(DialogTest, DropIsTakenAsACopyNeverAsAMove) {
    const auto folder = fresh_folder("drop_not_moved");
    write_bytes(folder / "plan.dxf", dxf_without_version());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString((folder / "plan.dxf").string()))});
    CVermarkDlg dialog;
    dialog.OnInitDialog();

    // Shift proposes a move; the source must not be told its file was moved.
    const Qt::DropActions copy_or_move = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(QPoint(5, 5), copy_or_move, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(&dialog, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(5, 5), copy_or_move, &data, Qt::LeftButton, Qt::ShiftModifier);
    ASSERT_EQ(drop.proposedAction(), Qt::MoveAction);
    QObject& target = dialog;
    target.event(&drop);
    settle(dialog);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_EQ(dialog.m_DxfPath, wide_path(folder / "plan.dxf"));

    QDropEvent move_only(QPointF(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    dialog.m_DxfPath.clear();
    target.event(&move_only);
    EXPECT_FALSE(move_only.isAccepted());
    EXPECT_TRUE(dialog.m_DxfPath.empty()) << "a drop offered only as a move is refused";
}

// A shortcut file whose relative path leads to `relative` (Unicode strings).
std::string shortcut_to(const std::u16string& relative) {
    std::string out;
    auto put16 = [&](unsigned v) {
        out.push_back(char(v & 0xFF));
        out.push_back(char((v >> 8) & 0xFF));
    };
    put16(0x4C);
    put16(0);
    out += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
    put16(0x88);  // HasRelativePath | IsUnicode
    put16(0);
    out.resize(0x4C, '\0');
    put16(unsigned(relative.size()));
    for (char16_t c : relative) put16(c);
    return out;
}

TEST_F(DialogTest, ShortcutLoadsItsTargetAndTheCopyGoesBesideTheTarget) {
    const auto folder = fs::canonical(fresh_folder("drop_shortcut"));
    write_bytes(folder / "drawings" / "plan.dxf", dxf_without_version());
    write_bytes(folder / "desk" / "Plan.DXF.LNK", shortcut_to(u"..\\drawings\\plan.dxf"));
    CVermarkDlg dialog;
    dialog.OnInitDialog();
    drop(dialog, {folder / "desk" / "Plan.DXF.LNK"});

    EXPECT_EQ(dialog.m_DxfPath, wide_path(folder / "drawings" / "plan.dxf"));
    ASSERT_TRUE(dialog.m_Add.isEnabled());
    dialog.m_Add.click();
    settle(dialog);
    EXPECT_TRUE(fs::exists(folder / "drawings" / "plan.1008.dxf"));
    EXPECT_FALSE(fs::exists(folder / "desk" / "Plan.DXF.1008.dxf"));
}

TEST_F(DialogTest, SymbolicLinkLoadsItsTarget) {
    const auto folder = fs::canonical(fresh_folder("drop_symlink"));
    write_bytes(folder / "real" / "plan.dxf", dxf_without_version());
    fs::create_symlink(folder / "real" / "plan.dxf", folder / "alias.dxf");
    CVermarkDlg dialog;
    dialog.OnInitDialog();
    drop(dialog, {folder / "alias.dxf"});
    EXPECT_EQ(dialog.m_DxfPath, wide_path(folder / "real" / "plan.dxf"));
}

TEST_F(DialogTest, BrokenShortcutLoadsTheEmptyPath) {
    const auto folder = fresh_folder("drop_broken_shortcut");
    write_bytes(folder / "plan.dxf", dxf_without_version());
    write_bytes(folder / "gone.lnk", shortcut_to(u"moved\\plan.dxf"));
    CVermarkDlg dialog;
    dialog.OnInitDialog();
    drop(dialog, {folder / "plan.dxf"});
    drop(dialog, {folder / "gone.lnk"});

    EXPECT_EQ(dialog.m_Info, u"ASCII");
    EXPECT_FALSE(dialog.m_Add.isEnabled());
    EXPECT_TRUE(dialog.m_DxfPath.empty());
    EXPECT_TRUE(dialog.m_Text.empty());

    // The cleared pane stays cleared over its whole area when the window grows.
    dialog.show();
    dialog.resize(dialog.size() + QSize(120, 90));
    run_events_until([&] { return dialog.m_Preview.picture().size() == dialog.m_Preview.size(); });
    EXPECT_EQ(dialog.m_Preview.picture().size(), dialog.m_Preview.size());
}

TEST_F(DialogTest, ButtonWritesTheStampedCopyAndShowsIt) {
    const auto folder = fresh_folder("stamp_button");
    write_bytes(folder / "plan.dxf", dxf_without_version());
    CVermarkDlg dialog;
    dialog.OnInitDialog();
    dialog.open_paths({wide_path(folder / "plan.dxf")});
    settle(dialog);
    ASSERT_TRUE(dialog.m_Add.isEnabled());
    dialog.m_Add.click();
    settle(dialog);

    const std::string copy = read_bytes(folder / "plan.1008.dxf");
    EXPECT_NE(copy.find("  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1008\r\n  9\r\n$INSBASE"),
              std::string::npos);
    EXPECT_EQ(read_bytes(folder / "plan.dxf"), dxf_without_version()) << "the input is untouched";
    EXPECT_NE(dialog.m_Text.find(u"$ACADVER\r\n  1\r\nAC1008"), std::u16string::npos);
    // Stamping changes only the painted text.
    EXPECT_TRUE(dialog.m_Add.isEnabled());
    EXPECT_EQ(dialog.m_DxfPath, wide_path(folder / "plan.dxf"));
}

TEST_F(DialogTest, FailedWriteIsReportedInAMessageBox) {
    const auto folder = fresh_folder("stamp_fails");
    write_bytes(folder / "plan.dxf", dxf_without_version());
    fs::create_directories(folder / "plan.1008.dxf" / "in the way");
    std::u16string shown;
    unsigned style = 0;
    ScopedMessageBoxPresenter boxes([&](std::u16string_view text, unsigned s, unsigned) {
        shown = text;
        style = s;
        return 1;
    });
    CVermarkDlg dialog;
    dialog.OnInitDialog();
    dialog.open_paths({wide_path(folder / "plan.dxf")});
    settle(dialog);
    dialog.m_Add.click();
    settle(dialog);

    EXPECT_NE(shown.find(u"書き込めませんでした"), std::u16string::npos);
    EXPECT_NE(shown.find(wide_path(folder / "plan.1008.dxf")), std::u16string::npos);
    EXPECT_EQ(style, mb::kOk | mb::kIconStop);
}

TEST_F(DialogTest, AboutBoxShowsTheVersionResourceTexts) {
    CVermarkDlg dialog;
    dialog.OnInitDialog();
    QString description, copyright, caption;
    on_next_modal([&](QWidget* modal) {
        auto* about = qobject_cast<CAboutDlg*>(modal);
        ASSERT_NE(about, nullptr);
        caption = about->windowTitle();
        description = qobject_cast<QLabel*>(about->GetDlgItem(1000))->text();
        copyright = qobject_cast<QLabel*>(about->GetDlgItem(1001))->text();
    });
    dialog.OnSysCommand(IDM_ABOUTBOX | 0xF, 0);  // the low four bits do not matter

    EXPECT_EQ(caption, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(description, QStringLiteral("$ACADVER 追加  Version 1.0.2023.921"));
    const char* legal = "";
    for (const auto& entry : platform::version_resource::strings) {
        if (std::string_view(entry[0]) == "LegalCopyright") legal = entry[1];
    }
    EXPECT_EQ(copyright, QString::fromUtf8(legal));
}

TEST_F(DialogTest, OtherSystemCommandsOpenNothing) {
    CVermarkDlg dialog;
    bool opened = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = true;
            modal->close();
        }
    });
    probe.start(0);
    dialog.OnSysCommand(0x20, 0);
    dialog.OnSysCommand(0xF060, 0);
    dialog.OnSysCommand(0x10010, 0);  // only the low four bits are ignored
    QApplication::processEvents();
    EXPECT_FALSE(opened);
}

TEST_F(DialogTest, ContextMenuOffersTheAboutEntry) {
    CVermarkDlg dialog;
    auto menu = dialog.make_system_menu();
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* entry = menu->actions().front();
    EXPECT_EQ(entry->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)..."));
    EXPECT_EQ(entry->data().toUInt(), IDM_ABOUTBOX);

    bool about_shown = false;
    on_next_modal(
        [&](QWidget* modal) { about_shown = qobject_cast<CAboutDlg*>(modal) != nullptr; });
    entry->trigger();
    EXPECT_TRUE(about_shown);
}

}  // namespace
}  // namespace vermark::testing
