#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include <sys/stat.h>

#include "cli/cli_options.h"
#include "cli/cli_report.h"
#include "cli/cli_targets.h"
#include "support/sandbox.h"

namespace vermark::cli {
namespace {

namespace fs = std::filesystem;

TEST(ParseOptions, SwitchesMayStandAnywhere) {
    const Options o = parse_options({"-q", "stamp", "a.dxf", "-r", "--json", "--", "-b.dxf"});
    EXPECT_TRUE(o.error.empty());
    EXPECT_EQ(o.command, Command::stamp);
    EXPECT_TRUE(o.recursive && o.quiet && o.json);
    EXPECT_EQ(o.operands, (std::vector<std::string>{"a.dxf", "-b.dxf"}));

    const Options combined = parse_options({"check", "-rq", "d"});
    EXPECT_TRUE(combined.recursive && combined.quiet);
    EXPECT_EQ(parse_options({"stamp", "--help"}).command, Command::help);
    EXPECT_EQ(parse_options({"--version"}).command, Command::version);
}

TEST(ParseOptions, UnusableLinesSayWhy) {
    EXPECT_EQ(parse_options({}).error, "no command given");
    EXPECT_EQ(parse_options({"stamp"}).error, "no file or folder given");
    EXPECT_EQ(parse_options({"stamp", "-x", "a"}).error, "unknown option -x");
    EXPECT_EQ(parse_options({"stamp", "--force", "a"}).error, "unknown option --force");
    EXPECT_EQ(parse_options({"a.dxf"}).error, "unknown command a.dxf");
}

TEST(CollectTargets, FoldersNeedRecursionAndGiveTheirDxfFilesSorted) {
    const fs::path root = testing::fresh_folder("walk");
    for (const char* name : {"b.dxf", "a/Z.DXF", "a/notes.txt", "a/deep/c.Dxf", "dxf"}) {
        testing::write_bytes(root / name, "x");
    }
    fs::create_directory(root / "folder.dxf");  // a folder named like a drawing is no drawing

    const auto flat = collect_targets({root.string()}, false);
    ASSERT_EQ(flat.size(), 1u);
    EXPECT_EQ(flat[0].error, "is a folder (use -r to walk it)");

    const auto walked = collect_targets({root.string(), (root / "nothing.dxf").string()}, true);
    std::vector<std::string> paths, errors;
    for (const Target& t : walked) {
        paths.push_back(fs::relative(t.path, root).generic_string());
        errors.push_back(t.error);
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"a/Z.DXF", "a/deep/c.Dxf", "b.dxf", "nothing.dxf"}));
    EXPECT_EQ(errors, (std::vector<std::string>{"", "", "", "no such file or folder"}));
}

#ifndef _WIN32
TEST(CollectTargets, PipesAndNamesThatAreNotUtf8AreRefusedUpFront) {
    const fs::path root = testing::fresh_folder("odd");
    ASSERT_EQ(::mkfifo((root / "pipe.dxf").c_str(), 0600), 0);  // reading it would wait forever
    const std::string sjis_name = "plan\x93\x5c.dxf";           // Shift_JIS bytes in the name
    testing::write_bytes(root / sjis_name, "x");

    const auto named = collect_targets({(root / "pipe.dxf").string(), "/dev/zero"}, false);
    ASSERT_EQ(named.size(), 2u);
    EXPECT_EQ(named[0].error, "not a regular file");
    EXPECT_EQ(named[1].error, "not a regular file");

    const auto walked = collect_targets({root.string()}, true);  // the pipe is passed over
    ASSERT_EQ(walked.size(), 1u);
    EXPECT_EQ(walked[0].path, (root / sjis_name).string());
    EXPECT_EQ(walked[0].error, "the name is not UTF-8 (rename the file)");
}
#else
VERMARK_SKIPPED_ON_WINDOWS(CollectTargets, PipesAndNamesThatAreNotUtf8AreRefusedUpFront,
                           "FIFOs, and names that are not UTF-8 exist only on Linux")
#endif

TEST(Report, JsonEscapesAndMarksAbsentValuesNull) {
    EXPECT_EQ(json_quoted("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    // Output stays valid UTF-8 whatever bytes a file name holds.
    EXPECT_EQ(json_quoted("\xE5\x9B\xB3 \x93\x5c"), "\"\xE5\x9B\xB3 \xEF\xBF\xBD\\\\\"");
    FileReport r;
    r.command = "inspect";
    r.path = "d/plan.dxf";
    r.status = "ok";
    r.encoding = "UTF_8";
    r.encoding_code = 8;
    r.eligible = true;
    EXPECT_EQ(json_line(r),
              "{\"command\":\"inspect\",\"path\":\"d/plan.dxf\",\"status\":\"ok\",\"encoding\":"
              "\"UTF_8\",\"encoding_code\":8,\"version\":null,\"eligible\":true,\"reason\":null}");
    EXPECT_EQ(text_line(r), "d/plan.dxf\tUTF_8\t-\tcan be stamped");
}

TEST(Report, ErrorsGoToStandardErrorOnlyAndQuietKeepsThem) {
    std::ostringstream out, err;
    Reporter reporter(out, err, false, true, false);
    FileReport ok{"stamp",      "a.dxf",      "written",    "ASCII", 65,
                  std::nullopt, std::nullopt, "a.1008.dxf", ""};
    FileReport bad{"stamp",      "b.dxf",      "error", "",         std::nullopt,
                   std::nullopt, std::nullopt, "",      "disk full"};
    reporter.report(ok);
    reporter.report(bad);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "vermark: b.dxf: disk full\n");
}

TEST(Report, NamesCannotBreakOrForgeTextLines) {
    std::ostringstream out, err;
    Reporter reporter(out, err, false, false, true);
    FileReport forged{"check",
                      "d/evil.dxf: no $ACADVER\nok\tfake.dxf\tAC1008",
                      "ok",
                      "ASCII",
                      65,
                      std::string("AC1009\r\x1b[2J"),
                      std::nullopt,
                      "",
                      ""};
    reporter.report(forged);
    EXPECT_EQ(out.str(),
              "ok\td/evil.dxf: no $ACADVER\\nok\\tfake.dxf\\tAC1008\tAC1009\\r\\x1B[2J\n");

    // Bytes that are not UTF-8 and C1 controls are escaped byte by byte; other text stays.
    FileReport bad{"stamp",      "\xE5\x9B\xB3\x93\x5c\xC2\x9B\xEF\xBF\xBD.dxf",
                   "error",      "",
                   std::nullopt, std::nullopt,
                   std::nullopt, "",
                   "line\nbreak"};
    reporter.progress(1, 2, bad.path);
    reporter.report(bad);
    EXPECT_EQ(err.str(),
              "\r\033[K[1/2] \xE5\x9B\xB3\\x93\\\\xC2\\x9B\xEF\xBF\xBD.dxf\r\033[K"
              "vermark: \xE5\x9B\xB3\\x93\\\\xC2\\x9B\xEF\xBF\xBD.dxf: line\\nbreak\n");
}

}  // namespace
}  // namespace vermark::cli
