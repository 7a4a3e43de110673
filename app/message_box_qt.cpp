#include "app/message_box_qt.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <utility>
#include <vector>

#include "app/dialog/string_table.h"
#include "app/qt_text.h"

namespace vermark {
namespace {

struct Button {
    QMessageBox::StandardButton qt;
    int answer;
};

const Button kOkButton{QMessageBox::Ok, answer::kOk};
const Button kCancelButton{QMessageBox::Cancel, answer::kCancel};
const Button kAbortButton{QMessageBox::Abort, answer::kAbort};
const Button kRetryButton{QMessageBox::Retry, answer::kRetry};
const Button kIgnoreButton{QMessageBox::Ignore, answer::kIgnore};
const Button kYesButton{QMessageBox::Yes, answer::kYes};
const Button kNoButton{QMessageBox::No, answer::kNo};

// The buttons of a button set, in the order they stand in the box (an unknown set shows OK).
std::vector<Button> buttons_of(unsigned style) {
    switch (style & mb::kButtonMask) {
        case mb::kOkCancel:
            return {kOkButton, kCancelButton};
        case mb::kAbortRetryIgnore:
            return {kAbortButton, kRetryButton, kIgnoreButton};
        case mb::kYesNoCancel:
            return {kYesButton, kNoButton, kCancelButton};
        case mb::kYesNo:
            return {kYesButton, kNoButton};
        case mb::kRetryCancel:
            return {kRetryButton, kCancelButton};
        default:
            return {kOkButton};
    }
}

QMessageBox::Icon icon_of(unsigned style) {
    switch (style & mb::kIconMask) {
        case mb::kIconStop:
            return QMessageBox::Critical;
        case mb::kIconQuestion:
            return QMessageBox::Question;
        case mb::kIconExclamation:
            return QMessageBox::Warning;
        case mb::kIconInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

}  // namespace

int show_qt_message_box(QWidget* owner, std::u16string_view text, unsigned style) {
    const std::vector<Button> buttons = buttons_of(style);
    QMessageBox box(owner);
    box.setWindowTitle(to_qstring(load_string(AFX_IDS_APP_TITLE)));
    box.setIcon(icon_of(style));
    box.setTextFormat(Qt::PlainText);
    box.setText(to_qstring(text));
    QMessageBox::StandardButtons set;
    for (const Button& button : buttons) set |= button.qt;
    box.setStandardButtons(set);
    // A default button the set does not have falls back to the first, as the platform does.
    const std::size_t default_index = (style & mb::kDefaultMask) >> 8;
    box.setDefaultButton(buttons[default_index < buttons.size() ? default_index : 0].qt);
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (const Button& button : buttons) {
        if (button.qt == pressed) return button.answer;
    }
    // Closed without a button (the window manager's close): the answer Escape would give.
    return set.testFlag(QMessageBox::Cancel) ? answer::kCancel
           : buttons.size() == 1             ? buttons.front().answer
                                             : default_answer(style);
}

MessageBoxPresenter qt_message_box_presenter(QWidget* owner) {
    QPointer<QWidget> guarded(owner);
    return [guarded](std::u16string_view text, unsigned style, unsigned) {
        return show_qt_message_box(guarded.data(), text, style);
    };
}

}  // namespace vermark
