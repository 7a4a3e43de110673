// The dialog's message boxes: a modal QMessageBox with the buttons, icon and default button that
// the style bits ask for, answering with the identifier of the button pressed.
#pragma once

#include <string_view>

#include "diag/message_box.h"

class QWidget;

namespace vermark {

// Shows the box over `owner` (none: a free-standing box) and returns the answer (1 OK ... 7 No).
int show_qt_message_box(QWidget* owner, std::u16string_view text, unsigned style);

// A presenter for message_box that shows its boxes over `owner`.
MessageBoxPresenter qt_message_box_presenter(QWidget* owner);

}  // namespace vermark
