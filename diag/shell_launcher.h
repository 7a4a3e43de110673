// A launch of a document, address or program collected piece by piece, and the user's notice
// when it fails: which failure, which operation, file and parameters (through message_box,
// which also logs it). Made on the stack for one launch.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vermark {

// Show commands for set_show.
inline constexpr int kSwHide = 0;
inline constexpr int kSwShowNormal = 1;

class ShellLauncher {
  public:
    ShellLauncher();
    virtual ~ShellLauncher() = default;

    virtual bool set_show(int command);
    // Any verb is kept as given; none set means the target's default action.
    virtual bool set_verb(std::u16string_view verb);
    // An existing path is kept; otherwise the program of that name where programs live, or the
    // text unchanged (web addresses pass through).
    virtual bool set_file(std::u16string_view path);
    virtual bool set_parameters(std::u16string_view text);
    // True when the launch started. A failure is shown and logged; nothing is retried.
    virtual bool execute();
    // The desktop's file manager on `folder`.
    virtual bool open_in_explorer(std::u16string_view folder);

    bool has_owner() const { return has_owner_; }
    int show() const { return show_; }
    const std::optional<std::u16string>& verb() const { return verb_; }
    const std::optional<std::u16string>& file() const { return file_; }
    const std::optional<std::u16string>& parameters() const { return parameters_; }

  protected:
    // The platform's launch; above 32 is success. Tests replace it.
    virtual int launch(const std::optional<std::u16string>& file,
                       const std::optional<std::u16string>& parameters);

  private:
    bool has_owner_;  // a main window existed when the launcher was made
    int show_ = kSwShowNormal;
    std::optional<std::u16string> verb_;
    std::optional<std::u16string> file_;
    std::optional<std::u16string> parameters_;
    std::optional<std::u16string> directory_;  // never set: launches use the current folder
};

// `mark` + `text` + `mark`.
std::u16string enclose(std::u16string_view text, std::u16string_view mark);

// The notice for a failed launch with `value`: the failure's text, then the Operation, File and
// "Paramaters" lines, each value in double quotes (empty quotes for what was never set).
std::u16string shell_error_message(int value, const std::optional<std::u16string>& verb,
                                   const std::optional<std::u16string>& file,
                                   const std::optional<std::u16string>& parameters);

}  // namespace vermark
