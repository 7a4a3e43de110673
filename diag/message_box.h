// The one way the program puts a question or notice to the user. A box is shown only while a
// presenter is installed (the dialog installs one once its main window exists); otherwise the
// box's default button is the answer. Every call logs what was asked and answered.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vermark {

// Message-box style bits: button set (style & 0xF), icon (style & 0xF0) and default button
// (style & 0xF00), with the platform's values.
namespace mb {
inline constexpr unsigned kOk = 0x0;
inline constexpr unsigned kOkCancel = 0x1;
inline constexpr unsigned kAbortRetryIgnore = 0x2;
inline constexpr unsigned kYesNoCancel = 0x3;
inline constexpr unsigned kYesNo = 0x4;
inline constexpr unsigned kRetryCancel = 0x5;
inline constexpr unsigned kIconStop = 0x10;
inline constexpr unsigned kIconQuestion = 0x20;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr unsigned kIconInformation = 0x40;
inline constexpr unsigned kDefaultButton1 = 0x000;
inline constexpr unsigned kDefaultButton2 = 0x100;
inline constexpr unsigned kDefaultButton3 = 0x200;
inline constexpr unsigned kDefaultButton4 = 0x300;

inline constexpr unsigned kButtonMask = 0xF;
inline constexpr unsigned kIconMask = 0xF0;
inline constexpr unsigned kDefaultMask = 0xF00;
}  // namespace mb

// The answers: the identifier of the button pressed.
namespace answer {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kAbort = 3;
inline constexpr int kRetry = 4;
inline constexpr int kIgnore = 5;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace answer

// Shows `text` modally with the buttons, icon and default button of `style` and returns the
// answer; with no presenter installed, returns the default answer without showing anything.
// Logs "icon, buttons, default, answer" and the text as one line. `help_id` goes to the presenter.
int message_box(std::u16string_view text, unsigned style = mb::kOk, unsigned help_id = 0);

// The answer a box gives when it cannot be shown: the default button of its button set.
int default_answer(unsigned style);

// The log record of one box: the four labels, "\r\n", the text, "\r\n".
std::u16string message_box_record(std::u16string_view text, unsigned style, int answer);

// Shows a box and returns the button pressed. Receives the style bits unchanged.
using MessageBoxPresenter =
    std::function<int(std::u16string_view text, unsigned style, unsigned help_id)>;

// Installs the presenter (an empty one removes it). The dialog installs its own once the main
// window exists and removes it before the window goes away.
void set_message_box_presenter(MessageBoxPresenter presenter);
bool has_message_box_presenter();

// Installs a presenter for one scope and restores the previous one after it (tests).
class ScopedMessageBoxPresenter {
  public:
    explicit ScopedMessageBoxPresenter(MessageBoxPresenter presenter);
    ~ScopedMessageBoxPresenter();
    ScopedMessageBoxPresenter(const ScopedMessageBoxPresenter&) = delete;
    ScopedMessageBoxPresenter& operator=(const ScopedMessageBoxPresenter&) = delete;

  private:
    MessageBoxPresenter previous_;
};

}  // namespace vermark
