#include "app/vermark_app.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QStringList>

#include "app/qt_text.h"
#include "platform/process.h"
#include "util/path.h"

namespace vermark {
namespace {

TEST(CommandLine, SavesTheArgumentsSoTheProgramPathNeedsNoWarningAndMakesPathsAbsolute) {
    set_saved_arguments({});  // re-arms the once-per-run warning about an empty list
    CVermarkApp app;
    app.set_command_line({QStringLiteral("vermark-gui"), QStringLiteral("plan.dxf"), QString(),
                          QStringLiteral("/d/b.dxf")});
    EXPECT_EQ(app.startup_paths(),
              (std::vector<std::u16string>{
                  from_qstring(QDir::current().absoluteFilePath(QStringLiteral("plan.dxf"))),
                  u"/d/b.dxf"}));

    ::testing::internal::CaptureStderr();
    const std::u16string program = get_arv();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(program, platform::executable_path());
    set_saved_arguments({});
}

}  // namespace
}  // namespace vermark
