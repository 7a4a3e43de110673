// The logged message box.
#include "diag/message_box.h"

#include <utility>

#include "diag/log.h"
#include "util/path.h"

namespace vermark {
namespace {

MessageBoxPresenter& presenter() {
    static MessageBoxPresenter installed;
    return installed;
}

// Default answers by button set (rows) and default button (columns: first to fourth).
constexpr int kDefaultAnswers[6][4] = {
    {answer::kOk, answer::kOk, answer::kOk, answer::kOk},
    {answer::kOk, answer::kCancel, answer::kOk, answer::kOk},
    {answer::kAbort, answer::kRetry, answer::kIgnore, answer::kAbort},
    {answer::kYes, answer::kNo, answer::kCancel, answer::kYes},
    {answer::kYes, answer::kNo, answer::kYes, answer::kYes},
    {answer::kRetry, answer::kCancel, answer::kRetry, answer::kRetry},
};

// The labels of the log record; every label of a kind has the same width.
std::u16string_view icon_label(unsigned style) {
    switch (style & mb::kIconMask) {
        case mb::kIconStop:
            return u"Stop ";
        case mb::kIconQuestion:
            return u"(?)  ";
        case mb::kIconExclamation:
            return u"(!)  ";
        case mb::kIconInformation:
            return u"(i)  ";
        default:
            return u"---- ";
    }
}

std::u16string_view buttons_label(unsigned style) {
    switch (style & mb::kButtonMask) {
        case mb::kOk:
            return u"OK              ";
        case mb::kOkCancel:
            return u"OK Cancel       ";
        case mb::kAbortRetryIgnore:
            return u"AbortRetryInore ";
        case mb::kYesNoCancel:
            return u"Yes No Cancel   ";
        case mb::kYesNo:
            return u"Yes No          ";
        case mb::kRetryCancel:
            return u"Retry Cancel    ";
        default:
            return u"                ";
    }
}

std::u16string_view default_button_label(unsigned style) {
    switch (style & mb::kDefaultMask) {
        case mb::kDefaultButton1:
            return u"Button1  ";
        case mb::kDefaultButton2:
            return u"Button2  ";
        case mb::kDefaultButton3:
            return u"Button3  ";
        default:
            return u"Non  (1) ";
    }
}

std::u16string_view answer_label(int answer) {
    switch (answer) {
        case answer::kOk:
            return u"[OK]    \t";
        case answer::kCancel:
            return u"[CANCEL]\t";
        case answer::kAbort:
            return u"[Abort] \t";
        case answer::kRetry:
            return u"[Retry] \t";
        case answer::kIgnore:
            return u"[Innore]\t";
        case answer::kYes:
            return u"[Yes]   \t";
        case answer::kNo:
            return u"[No]    \t";
        default:
            return u"Bug...  \t";
    }
}

bool running_as_library() {
    return extension_lower_of(get_arv()) == u"dll";
}

}  // namespace

int default_answer(unsigned style) {
    const unsigned buttons = style & mb::kButtonMask;
    unsigned column = (style & mb::kDefaultMask) >> 8;
    if (column > 3) column = 0;  // no such default button: the first one is
    return buttons > mb::kRetryCancel ? answer::kOk : kDefaultAnswers[buttons][column];
}

std::u16string message_box_record(std::u16string_view text, unsigned style, int answer) {
    std::u16string record;
    record.reserve(48 + text.size());
    record += icon_label(style);
    record += buttons_label(style);
    record += default_button_label(style);
    record += answer_label(answer);
    record += u"\r\n";
    record += text;
    record += u"\r\n";
    return record;
}

int message_box(std::u16string_view text, unsigned style, unsigned help_id) {
    int answer = default_answer(style);
    if (const MessageBoxPresenter& show = presenter()) answer = show(text, style, help_id);
    if (!running_as_library()) log_line(message_box_record(text, style, answer));
    return answer;
}

void set_message_box_presenter(MessageBoxPresenter p) {
    presenter() = std::move(p);
}

bool has_message_box_presenter() {
    return static_cast<bool>(presenter());
}

ScopedMessageBoxPresenter::ScopedMessageBoxPresenter(MessageBoxPresenter p)
    : previous_(std::exchange(presenter(), std::move(p))) {}

ScopedMessageBoxPresenter::~ScopedMessageBoxPresenter() {
    presenter() = std::move(previous_);
}

}  // namespace vermark
