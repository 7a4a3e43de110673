#include "diag/message_box.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "diag/log.h"
#include "platform/wide.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

// Everything logged so far in this process, decoded from the hourly UTF-16 files.
std::u16string logged_text() {
    std::u16string all;
    const std::filesystem::path folder(platform::to_utf8(log_folder()));
    if (!std::filesystem::exists(folder)) return all;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string bytes = testing::read_bytes(entry.path());
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            all += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
    }
    return all;
}

bool logged(std::u16string_view expected) {
    return logged_text().find(expected) != std::u16string::npos;
}

TEST(MessageBox, WithoutPresenterTheDefaultButtonAnswers) {
    ASSERT_FALSE(has_message_box_presenter());
    EXPECT_EQ(message_box(u"Save the copy?", mb::kYesNo | mb::kDefaultButton2), answer::kNo);
    EXPECT_TRUE(logged(u"---- Yes No          Button2  [No]    \t\t\tSave the copy?\t\t"));
    EXPECT_EQ(message_box(u"three", mb::kYesNoCancel | mb::kDefaultButton3), answer::kCancel);
    EXPECT_TRUE(logged(u"---- Yes No Cancel   Button3  [CANCEL]\t\t\tthree"));
}

TEST(MessageBox, DefaultAnswerTable) {
    const int expected[7][4] = {{1, 1, 1, 1}, {1, 2, 1, 1}, {3, 4, 5, 3}, {6, 7, 2, 6},
                                {6, 7, 6, 6}, {4, 2, 4, 4}, {1, 1, 1, 1}};
    for (unsigned buttons = 0; buttons < 7; ++buttons) {
        for (unsigned column = 0; column < 4; ++column) {
            EXPECT_EQ(default_answer(buttons | column << 8 | mb::kIconQuestion),
                      expected[buttons][column])
                << "buttons " << buttons << " default " << column;
        }
    }
    // A default button the set cannot have falls back to the first.
    EXPECT_EQ(default_answer(mb::kYesNo | 0x800), answer::kYes);
    EXPECT_EQ(default_answer(0xF), answer::kOk);
}

TEST(MessageBox, RecordLabelsHaveFixedWidths) {
    EXPECT_EQ(message_box_record(u"x", mb::kOk, answer::kOk),
              u"---- OK              Button1  [OK]    \t\r\nx\r\n");
    EXPECT_EQ(message_box_record(u"x", mb::kIconStop | mb::kAbortRetryIgnore | mb::kDefaultButton3,
                                 answer::kIgnore),
              u"Stop AbortRetryInore Button3  [Innore]\t\r\nx\r\n");
    EXPECT_EQ(message_box_record(u"", mb::kIconInformation | mb::kRetryCancel | mb::kDefaultButton4,
                                 answer::kRetry),
              u"(i)  Retry Cancel    Non  (1) [Retry] \t\r\n\r\n");
    EXPECT_EQ(message_box_record(u"", mb::kIconExclamation | 0x9, answer::kYes),
              u"(!)                  Button1  [Yes]   \t\r\n\r\n");
    // Icon bits beyond the four icons are logged as none.
    EXPECT_EQ(message_box_record(u"", 0x50 | mb::kOkCancel, answer::kCancel).substr(0, 5),
              u"---- ");
}

TEST(MessageBox, PresenterAnswersAndReceivesTheBoxUnchanged) {
    std::u16string shown;
    unsigned shown_style = 0, shown_help = 0;
    {
        ScopedMessageBoxPresenter seam(
            [&](std::u16string_view text, unsigned style, unsigned help) {
                shown = text;
                shown_style = style;
                shown_help = help;
                return answer::kRetry;
            });
        EXPECT_TRUE(has_message_box_presenter());
        EXPECT_EQ(message_box(u"Retry?", mb::kRetryCancel | mb::kIconStop, 7), answer::kRetry);
    }
    EXPECT_FALSE(has_message_box_presenter());
    EXPECT_EQ(shown, u"Retry?");
    EXPECT_EQ(shown_style, mb::kRetryCancel | mb::kIconStop);
    EXPECT_EQ(shown_help, 7u);
    EXPECT_TRUE(logged(u"Stop Retry Cancel    Button1  [Retry] \t\t\tRetry?"));
}

TEST(MessageBox, UnknownAnswerIsLoggedAsBugAndReturnedUnchanged) {
    ScopedMessageBoxPresenter seam([](std::u16string_view, unsigned, unsigned) { return 11; });
    EXPECT_EQ(message_box(u"odd answer"), 11);
    EXPECT_TRUE(logged(u"Bug...  \t\t\todd answer"));
}

TEST(MessageBox, MultiLineTextStaysOnOneLogLine) {
    message_box(u"first\r\nsecond\nthird", mb::kOk);
    const std::u16string log = logged_text();
    const std::size_t at = log.find(u"first");
    ASSERT_NE(at, std::u16string::npos);
    const std::size_t line_end = log.find(u"\r\n", at);
    EXPECT_EQ(log.substr(at, line_end - at), u"first\t\tsecond\tthird\t\t");
}

}  // namespace
}  // namespace vermark
