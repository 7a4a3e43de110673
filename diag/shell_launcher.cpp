// Launches through the platform, with the failure texts the user sees.
#include "diag/shell_launcher.h"

#include "diag/message_box.h"
#include "platform/launch.h"
#include "util/folders.h"
#include "util/path.h"

namespace vermark {
namespace {

constexpr int kLastFailureValue = 32;

std::u16string_view known_error_text(int value) {
    switch (value) {
        case 0:
            return u"The operating system is out of memory or resources.";
        case 2:
            return u"The specified file was not found.";
        case 3:
            return u"The specified path was not found.";
        case 5:
            return u"The operating system denied access to the specified file.";
        case 8:
            return u"There was not enough memory to complete the operation.";
        case 11:
            return u"The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).";
        case 26:
            return u"A sharing violation occurred.";
        case 27:
            return u"The filename association is incomplete or invalid.";
        case 28:
            return u"The DDE transaction could not be completed because the request timed out.";
        case 29:
            return u"The DDE transaction failed.";
        case 30:
            return u"The DDE transaction could not be completed because other DDE transactions "
                   u"were "
                   u"being processed.";
        case 31:
            return u"There is no application associated with the given file name extension.";
        case 32:
            return u"The specified dynamic-link library was not found.";
        default:
            return u"";
    }
}

std::u16string text_of(const std::optional<std::u16string>& value) {
    return value.value_or(u"");
}

}  // namespace

std::u16string enclose(std::u16string_view text, std::u16string_view mark) {
    std::u16string out(mark);
    out += text;
    out += mark;
    return out;
}

std::u16string shell_error_message(int value, const std::optional<std::u16string>& verb,
                                   const std::optional<std::u16string>& file,
                                   const std::optional<std::u16string>& parameters) {
    std::u16string message(known_error_text(value));
    if (message.empty()) message = u"Error\n" + text_of(file) + u"\n" + text_of(parameters);
    message += u"\nOperation=" + enclose(text_of(verb), u"\"");
    message += u"\nFile=" + enclose(text_of(file), u"\"");
    message += u"\nParamaters=" + enclose(text_of(parameters), u"\"");
    return message;
}

ShellLauncher::ShellLauncher() : has_owner_(has_message_box_presenter()) {}

bool ShellLauncher::set_show(int command) {
    show_ = command;
    return true;
}

bool ShellLauncher::set_verb(std::u16string_view verb) {
    verb_ = std::u16string(verb);
    return true;
}

bool ShellLauncher::set_file(std::u16string_view path) {
    file_ = exists(path, false) ? std::u16string(path) : locate_program(path);
    return true;
}

bool ShellLauncher::set_parameters(std::u16string_view text) {
    parameters_ = std::u16string(text);
    return true;
}

bool ShellLauncher::execute() {
    // Without a file the parameters text is what gets launched.
    const int value = file_ ? launch(file_, parameters_) : launch(parameters_, std::nullopt);
    if (static_cast<unsigned>(value) > kLastFailureValue) return true;
    message_box(shell_error_message(value, verb_, file_, parameters_), mb::kOk, 0);
    return false;
}

bool ShellLauncher::open_in_explorer(std::u16string_view folder) {
    set_file(u"explorer.exe");
    set_parameters(folder);
    return execute();
}

int ShellLauncher::launch(const std::optional<std::u16string>& file,
                          const std::optional<std::u16string>& parameters) {
    platform::LaunchRequest request;
    request.verb = verb_;
    request.file = text_of(file);
    request.parameters = parameters;
    request.directory = directory_;
    request.show = show_ == kSwHide ? platform::kShowHide : platform::kShowNormal;
    return platform::shell_execute(request);
}

}  // namespace vermark
