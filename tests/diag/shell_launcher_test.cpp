#include "diag/shell_launcher.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "diag/message_box.h"
#include "platform/launch.h"
#include "platform/retry.h"
#include "platform/wide.h"
#include "support/paths.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

namespace fs = std::filesystem;

using vermark::testing::wide_path;

// Started programs run on; their results appear in files within a few seconds at most. The
// expected text arriving whole is the signal that the program is done (a file that exists may
// still be half written); a program that never writes it fails the test after 5 seconds.
::testing::AssertionResult written_as(const fs::path& path, const std::string& expected) {
    std::string found = "(nothing written)";
    const bool arrived = platform::retry({500, std::chrono::milliseconds(10)}, [&] {
        if (fs::exists(path)) found = testing::read_bytes(path);
        return found == expected ? platform::Attempt::succeeded : platform::Attempt::failed_for_now;
    });
    if (arrived) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << path << " holds " << ::testing::PrintToString(found)
                                         << ", expected " << ::testing::PrintToString(expected);
}

fs::path write_script(const fs::path& path, std::string_view body, bool executable = true) {
    testing::write_bytes(path, body);
    fs::permissions(
        path, executable ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write);
    return path;
}

// Writes its arguments, one per line, into the file named by its first argument.
constexpr std::string_view kRecorder =
    "#!/bin/sh\nout=\"$1\"; shift\nprintf '%s\\n' \"$@\" > \"$out.tmp\"\nmv \"$out.tmp\" "
    "\"$out\"\n";

class ShellLauncherTest : public ::testing::Test {
  protected:
    fs::path folder = testing::fresh_folder("launch");
    std::vector<std::u16string> boxes;
    ScopedMessageBoxPresenter seam{[this](std::u16string_view text, unsigned, unsigned) {
        boxes.emplace_back(text);
        return answer::kOk;
    }};

    void TearDown() override { platform::set_desktop_opener(u""); }

    // A recorder standing in for the desktop's opener; returns the file it will write.
    fs::path install_opener_recorder() {
        const fs::path out = folder / "opened.txt";
        write_script(folder / "opener.sh", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" +
                                               (folder / "opened.tmp").string() + "\"\nmv \"" +
                                               (folder / "opened.tmp").string() + "\" \"" +
                                               out.string() + "\"\n");
        platform::set_desktop_opener(wide_path(folder / "opener.sh"));
        return out;
    }
};

TEST_F(ShellLauncherTest, StartsAScriptWithArgumentsPassedAsTheyAre) {
    const fs::path script = write_script(folder / "run me; now.sh", kRecorder);
    const fs::path out = folder / "out file.txt";
    ShellLauncher launcher;
    launcher.set_verb(u"open");
    launcher.set_file(wide_path(script));
    launcher.set_parameters(u"\"" + wide_path(out) +
                            u"\" \"a b\" c;d $(touch pwned) `id` \"say \\\"hi\\\"\"");
    ASSERT_TRUE(launcher.execute());
    EXPECT_TRUE(written_as(out, "a b\nc;d\n$(touch\npwned)\n`id`\nsay \"hi\"\n"));
    EXPECT_FALSE(fs::exists(folder / "pwned"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ShellLauncherTest, ScriptsWithoutExecutePermissionRunThroughTheirInterpreter) {
    const fs::path with_line = write_script(folder / "plain", kRecorder, false);
    const fs::path sh = write_script(folder / "bare.sh", "printf '%s\\n' \"$2\" > \"$1\"\n", false);
    ShellLauncher first;
    first.set_file(wide_path(with_line));
    first.set_parameters(wide_path(folder / "first.txt") + u" one");
    ASSERT_TRUE(first.execute());
    ShellLauncher second;
    second.set_file(wide_path(sh));
    second.set_parameters(wide_path(folder / "second.txt") + u" two");
    ASSERT_TRUE(second.execute());
    EXPECT_TRUE(written_as(folder / "first.txt", "one\n"));
    EXPECT_TRUE(written_as(folder / "second.txt", "two\n"));

    // CR LF line ends, as a script written on Windows has them (the comment takes the CR).
    const fs::path crlf =
        write_script(folder / "crlf", "#!/bin/sh\r\nprintf '%s\\n' \"$2\" > \"$1\" #\r\n", false);
    ShellLauncher third;
    third.set_file(wide_path(crlf));
    third.set_parameters(wide_path(folder / "third.txt") + u" three");
    ASSERT_TRUE(third.execute());
    EXPECT_TRUE(written_as(folder / "third.txt", "three\n"));
}

TEST_F(ShellLauncherTest, RelativeScriptNamedLikeAnOptionStillRuns) {
    write_script(folder / "-x.sh", "printf '%s\\n' \"$1\" > \"$2\"\n", false);
    const fs::path here = fs::current_path();
    fs::current_path(folder);
    ShellLauncher launcher;
    launcher.set_file(u"-x.sh");
    launcher.set_parameters(u"ran " + wide_path(folder / "dash.txt"));
    const bool started = launcher.execute();
    fs::current_path(here);
    ASSERT_TRUE(started);
    EXPECT_TRUE(written_as(folder / "dash.txt", "ran\n"));
}

TEST_F(ShellLauncherTest, WithoutAFileTheParametersAreLaunched) {
    const fs::path script = write_script(
        folder / "noargs.sh", "#!/bin/sh\necho ran > \"" + (folder / "ran.txt").string() + "\"\n");
    ShellLauncher launcher;
    launcher.set_parameters(wide_path(script));
    ASSERT_TRUE(launcher.execute());
    EXPECT_TRUE(written_as(folder / "ran.txt", "ran\n"));
}

TEST_F(ShellLauncherTest, HiddenLaunchHasNoTerminalStreams) {
    const fs::path script = write_script(
        folder / "streams.sh",
        "#!/bin/sh\nt=$(readlink /proc/$$/fd/1)\necho \"$t\" > \"$1.tmp\"\nmv \"$1.tmp\" \"$1\"\n");
    ShellLauncher launcher;
    launcher.set_show(kSwHide);
    launcher.set_file(wide_path(script));
    launcher.set_parameters(wide_path(folder / "streams.txt"));
    ASSERT_TRUE(launcher.execute());
    EXPECT_TRUE(written_as(folder / "streams.txt", "/dev/null\n"));
}

TEST_F(ShellLauncherTest, MissingFileShowsTheFailureWithItsLaunch) {
    ShellLauncher launcher;
    const std::u16string missing = wide_path(folder / "missing.bin");
    launcher.set_file(missing);
    EXPECT_FALSE(launcher.execute());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], u"The specified file was not found.\nOperation=\"\"\nFile=\"" + missing +
                            u"\"\nParamaters=\"\"");

    ShellLauncher in_missing_folder;
    in_missing_folder.set_verb(u"open");
    in_missing_folder.set_file(wide_path(folder / "no folder" / "x.dxf"));
    in_missing_folder.set_parameters(u"-v");
    EXPECT_FALSE(in_missing_folder.execute());
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].substr(0, 34), u"The specified path was not found.\n");
    EXPECT_NE(boxes[1].find(u"\nOperation=\"open\"\n"), std::u16string::npos);
    EXPECT_NE(boxes[1].find(u"\nParamaters=\"-v\""), std::u16string::npos);
}

TEST_F(ShellLauncherTest, DocumentsFoldersAndAddressesGoToTheOpener) {
    const fs::path opened = install_opener_recorder();
    const std::string address = "https://example.com/r_Utile/download?a=1&b=$(id)";
    ShellLauncher launcher;
    launcher.set_verb(u"open");
    launcher.set_file(platform::from_utf8(address));
    ASSERT_TRUE(launcher.execute());
    EXPECT_TRUE(written_as(opened, address + "\n"));
    fs::remove(opened);

    testing::write_bytes(folder / "plan a.dxf", "0\nEOF\n");
    ShellLauncher document;
    document.set_file(wide_path(folder / "plan a.dxf"));
    ASSERT_TRUE(document.execute());
    EXPECT_TRUE(written_as(opened, (folder / "plan a.dxf").string() + "\n"));
    fs::remove(opened);

    ShellLauncher explorer;
    ASSERT_TRUE(explorer.open_in_explorer(wide_path(folder)));
    EXPECT_TRUE(written_as(opened, folder.string() + "\n"));
    fs::remove(opened);

    // A FIFO is no script: it is handed on without being read (a read would wait for a writer).
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    ShellLauncher pipe;
    pipe.set_file(wide_path(folder / "pipe"));
    ASSERT_TRUE(pipe.execute());
    EXPECT_TRUE(written_as(opened, (folder / "pipe").string() + "\n"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ShellLauncherTest, VerbWithoutAnActionOrNoOpenerIsNoAssociation) {
    testing::write_bytes(folder / "plan.dxf", "0\nEOF\n");
    platform::set_desktop_opener(wide_path(folder / "no-such-opener"));
    ShellLauncher no_opener;
    no_opener.set_file(wide_path(folder / "plan.dxf"));
    EXPECT_FALSE(no_opener.execute());

    install_opener_recorder();
    ShellLauncher print;
    print.set_verb(u"print");
    print.set_file(wide_path(folder / "plan.dxf"));
    EXPECT_FALSE(print.execute());
    ASSERT_EQ(boxes.size(), 2u);
    for (const std::u16string& box : boxes) {
        EXPECT_EQ(box.substr(0, box.find(u'\n')),
                  u"There is no application associated with the given file name extension.");
    }
}

TEST_F(ShellLauncherTest, OpenerThatFailsIsReportedNotTakenForStarted) {
    testing::write_bytes(folder / "plan.dxf", "0\nEOF\n");
    const std::pair<int, std::u16string_view> cases[] = {
        {3, u"There is no application associated with the given file name extension."},
        {4, u"There is no application associated with the given file name extension."},
        {2, u"The specified file was not found."},
    };
    for (const auto& [status, text] : cases) {
        write_script(folder / "failing.sh", "#!/bin/sh\nexit " + std::to_string(status) + "\n");
        platform::set_desktop_opener(wide_path(folder / "failing.sh"));
        ShellLauncher launcher;
        launcher.set_file(u"https://example.com/nothing-opens-this");
        EXPECT_FALSE(launcher.execute()) << status;
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back().substr(0, boxes.back().find(u'\n')), text) << status;
    }
    EXPECT_EQ(boxes.size(), 3u);

    // An opener that stays (until the application it started ends) has started it.
    const fs::path release = folder / "release";
    write_script(folder / "staying.sh", "#!/bin/sh\nfor i in $(seq 300); do [ -e \"" +
                                            release.string() + "\" ] && exit 1; sleep 0.1; done\n");
    platform::set_desktop_opener(wide_path(folder / "staying.sh"));
    ShellLauncher staying;
    staying.set_file(wide_path(folder / "plan.dxf"));
    EXPECT_TRUE(staying.execute());
    testing::write_bytes(release, "");
    EXPECT_EQ(boxes.size(), 3u);
}

TEST_F(ShellLauncherTest, UnreadableDocumentIsAccessDenied) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    testing::write_bytes(folder / "secret.dxf", "0\nEOF\n");
    fs::permissions(folder / "secret.dxf", fs::perms::none);
    install_opener_recorder();
    ShellLauncher launcher;
    launcher.set_file(wide_path(folder / "secret.dxf"));
    EXPECT_FALSE(launcher.execute());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].substr(0, 58),
              u"The operating system denied access to the specified file.\n");

    // A script run through its interpreter: refused before the interpreter starts.
    write_script(folder / "secret.sh", "true\n", false);
    fs::permissions(folder / "secret.sh", fs::perms::none);
    ShellLauncher script;
    script.set_file(wide_path(folder / "secret.sh"));
    EXPECT_FALSE(script.execute());
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].substr(0, 58),
              u"The operating system denied access to the specified file.\n");
}

// Launch values without launching: the texts the user sees for each.
class FixedResultLauncher : public ShellLauncher {
  public:
    explicit FixedResultLauncher(int value) : value_(value) {}
    std::optional<std::u16string> launched_file, launched_parameters;

  protected:
    int launch(const std::optional<std::u16string>& file,
               const std::optional<std::u16string>& parameters) override {
        launched_file = file;
        launched_parameters = parameters;
        return value_;
    }

  private:
    int value_;
};

TEST_F(ShellLauncherTest, FailureTextsByValue) {
    const std::pair<int, std::u16string_view> cases[] = {
        {0, u"The operating system is out of memory or resources."},
        {8, u"There was not enough memory to complete the operation."},
        {11, u"The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)."},
        {26, u"A sharing violation occurred."},
        {27, u"The filename association is incomplete or invalid."},
        {32, u"The specified dynamic-link library was not found."},
    };
    for (const auto& [value, text] : cases) {
        FixedResultLauncher launcher(value);
        EXPECT_FALSE(launcher.execute());
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back(),
                  std::u16string(text) + u"\nOperation=\"\"\nFile=\"\"\nParamaters=\"\"");
    }
    FixedResultLauncher other(17);
    other.set_file(u"https://h/x");
    other.set_parameters(u"p q");
    EXPECT_FALSE(other.execute());
    EXPECT_EQ(boxes.back(),
              u"Error\nhttps://h/x\np q\nOperation=\"\"\nFile=\"https://h/x\"\nParamaters=\"p q\"");

    FixedResultLauncher success(33);
    EXPECT_TRUE(success.execute());
    FixedResultLauncher negative(-1);  // taken as unsigned: far above 32
    EXPECT_TRUE(negative.execute());
    EXPECT_EQ(boxes.size(), 7u);
}

TEST_F(ShellLauncherTest, WhatIsLaunched) {
    FixedResultLauncher parameters_only(42);
    parameters_only.set_parameters(u"https://h/");
    parameters_only.execute();
    EXPECT_EQ(parameters_only.launched_file, u"https://h/");
    EXPECT_EQ(parameters_only.launched_parameters, std::nullopt);

    // A name that is not here is looked for where programs live; addresses pass unchanged.
    const fs::path program = testing::sandbox() / "usr" / "bin" / "tool";
    testing::write_bytes(program, "#!/bin/sh\n");
    FixedResultLauncher both(42);
    both.set_file(u"tool");
    both.set_parameters(u"-c x");
    both.execute();
    EXPECT_EQ(both.launched_file, wide_path(program));
    EXPECT_EQ(both.launched_parameters, u"-c x");
    FixedResultLauncher address(42);
    address.set_file(u"https://h/p");
    EXPECT_EQ(address.file(), u"https://h/p");
    EXPECT_EQ(enclose(u"a b", u"\""), u"\"a b\"");
}

TEST(SplitCommandLine, BlanksSeparateQuotesGroup) {
    using platform::split_command_line;
    EXPECT_EQ(split_command_line(u"  a  \"b c\"\td"),
              (std::vector<std::u16string>{u"a", u"b c", u"d"}));
    EXPECT_EQ(split_command_line(u"x\"y z\"w \"\""), (std::vector<std::u16string>{u"xy zw", u""}));
    EXPECT_EQ(split_command_line(u"\\\"q\\\" \"open"),
              (std::vector<std::u16string>{u"\"q\"", u"open"}));
    EXPECT_TRUE(split_command_line(u"   ").empty());
}

}  // namespace
}  // namespace vermark
