#include "app/message_box_qt.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <memory>

namespace vermark {
namespace {

// What the last box offered, recorded before it was answered.
struct BoxSeen {
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton default_button = QMessageBox::NoButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QString title;
};

std::shared_ptr<BoxSeen>& last_box() {
    static std::shared_ptr<BoxSeen> box;
    return box;
}

// Answers the next box by pressing `press` (closes it when the box has no such button).
void arm(QMessageBox::StandardButton press) {
    last_box() = std::make_shared<BoxSeen>();
    auto seen = last_box();
    QTimer::singleShot(0, [seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen->buttons = box->standardButtons();
        seen->default_button = box->standardButton(box->defaultButton());
        seen->icon = box->icon();
        seen->text = box->text();
        seen->title = box->windowTitle();
        if (QAbstractButton* button = box->button(press)) {
            button->click();
        } else {
            box->close();
        }
    });
}

TEST(QtMessageBox, OffersTheStylesButtonsIconAndDefault) {
    arm(QMessageBox::Cancel);
    EXPECT_EQ(show_qt_message_box(nullptr, u"Save?\r\nNow",
                                  mb::kYesNoCancel | mb::kIconQuestion | mb::kDefaultButton2),
              answer::kCancel);
    EXPECT_EQ(last_box()->buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(last_box()->default_button, QMessageBox::No);
    EXPECT_EQ(last_box()->icon, QMessageBox::Question);
    EXPECT_EQ(last_box()->title, QStringLiteral("Vermark"));
    EXPECT_TRUE(last_box()->text.startsWith(QStringLiteral("Save?")));

    arm(QMessageBox::Ignore);
    EXPECT_EQ(show_qt_message_box(nullptr, u"x",
                                  mb::kAbortRetryIgnore | mb::kIconStop | mb::kDefaultButton3),
              answer::kIgnore);
    EXPECT_EQ(last_box()->default_button, QMessageBox::Ignore);
    EXPECT_EQ(last_box()->icon, QMessageBox::Critical);

    arm(QMessageBox::Retry);
    EXPECT_EQ(show_qt_message_box(nullptr, u"x", mb::kRetryCancel | mb::kIconExclamation),
              answer::kRetry);
    EXPECT_EQ(last_box()->default_button, QMessageBox::Retry);
    EXPECT_EQ(last_box()->icon, QMessageBox::Warning);
}

TEST(QtMessageBox, UnknownButtonSetsAndDefaultsFallBack) {
    // A fourth default button on a two-button set starts on the first button.
    arm(QMessageBox::Yes);
    EXPECT_EQ(show_qt_message_box(nullptr, u"x", mb::kYesNo | mb::kDefaultButton4), answer::kYes);
    EXPECT_EQ(last_box()->default_button, QMessageBox::Yes);
    // An unknown button set shows OK, an unknown icon none.
    arm(QMessageBox::Ok);
    EXPECT_EQ(show_qt_message_box(nullptr, u"x", 0x9 | 0x50), answer::kOk);
    EXPECT_EQ(last_box()->buttons, QMessageBox::Ok);
    EXPECT_EQ(last_box()->icon, QMessageBox::NoIcon);
}

TEST(QtMessageBox, ClosingWithoutAButtonGivesTheEscapeAnswer) {
    arm(QMessageBox::NoButton);
    EXPECT_EQ(show_qt_message_box(nullptr, u"x", mb::kOkCancel), answer::kCancel);
    arm(QMessageBox::NoButton);
    EXPECT_EQ(show_qt_message_box(nullptr, u"x", mb::kOk | mb::kIconInformation), answer::kOk);
}

TEST(QtMessageBox, InstalledPresenterAnswersMessageBox) {
    QWidget owner;
    ScopedMessageBoxPresenter installed(qt_message_box_presenter(&owner));
    arm(QMessageBox::No);
    EXPECT_EQ(message_box(u"Continue?", mb::kYesNo), answer::kNo);
    EXPECT_EQ(last_box()->buttons, QMessageBox::Yes | QMessageBox::No);
}

}  // namespace
}  // namespace vermark
