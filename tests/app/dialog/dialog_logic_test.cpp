#include "app/dialog/dialog_logic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <memory>

#include "app/dialog/stamp_messages.h"
#include "diag/message_box.h"
#include "fake_view.h"
#include "support/sandbox.h"

namespace vermark::testing {
namespace {

namespace fs = std::filesystem;

const std::string kEligible =
    "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$INSBASE\r\n 10\r\n0.0\r\n 20\r\n0.0\r\n"
    "  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nLINE\r\n  8\r\n0\r\n"
    " 10\r\n0.0\r\n 20\r\n0.0\r\n 11\r\n100.0\r\n 21\r\n50.0\r\n  0\r\nENDSEC\r\n"
    "  0\r\nEOF\r\n";
const std::string kRecorded =
    "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1015\r\n"
    "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";

// Says there is no thumbnail; optionally holds the background load inside the picture choice
// until released, so that a test can act while a load is under way.
class HeldProbe : public ThumbnailProbe {
  public:
    bool has_thumbnail(const std::u16string&) const override {
        entered = true;
        while (hold) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return false;
    }
    mutable std::atomic<bool> entered{false};
    std::atomic<bool> hold{false};
};

class DialogLogicTest : public ::testing::Test {
  protected:
    std::shared_ptr<HeldProbe> probe_ = std::make_shared<HeldProbe>();
    FakeView view_;
    std::unique_ptr<DialogLogic> logic_ = std::make_unique<DialogLogic>(view_, probe_);

    void settle() {
        view_.run_until([&] { return !logic_->loading() && !logic_->stamping(); });
    }
    std::size_t position_of(const std::string& call) {
        return std::find(view_.calls.begin(), view_.calls.end(), call) - view_.calls.begin();
    }
};

TEST_F(DialogLogicTest, LoadShowsThePictureThenTheInspectionUnderTheWaitCursor) {
    const auto folder = fresh_folder("logic_load");
    write_bytes(folder / "plan.dxf", kEligible);
    logic_->load_paths({wide_path(folder / "plan.dxf")});
    EXPECT_TRUE(logic_->loading());
    EXPECT_FALSE(view_.button) << "the previous file cannot be stamped while the next loads";
    settle();

    ASSERT_EQ(view_.pictures.size(), 1u);
    EXPECT_EQ(view_.pictures[0].kind, PictureKind::drawing);
    ASSERT_TRUE(view_.pictures[0].drawing);
    EXPECT_EQ(view_.pictures[0].drawing->lines.size(), 1u);
    EXPECT_LT(position_of("busy"), position_of("picture"));
    EXPECT_LT(position_of("picture"), position_of("info ASCII"));
    EXPECT_LT(position_of("info ASCII"), position_of("button on"));
    EXPECT_EQ(view_.calls.back(), "idle");

    const DialogState& state = logic_->state();
    EXPECT_EQ(state.info, u"ASCII");
    EXPECT_EQ(state.text_code, 65);
    EXPECT_EQ(state.dxf_path, wide_path(folder / "plan.dxf"));
    EXPECT_EQ(state.text, platform::from_utf8(kEligible));

    // A new pane size draws the same entities again; nothing is read again.
    view_.pictures.clear();
    logic_->redraw_picture();
    ASSERT_EQ(view_.pictures.size(), 1u);
    EXPECT_EQ(view_.pictures[0].drawing, logic_->picture().drawing);
}

TEST_F(DialogLogicTest, ANewerLoadMakesTheOlderOneCountForNothing) {
    const auto folder = fresh_folder("logic_newer");
    write_bytes(folder / "old.dxf", kEligible);
    write_bytes(folder / "new.dxf", kRecorded);
    logic_->load_paths({wide_path(folder / "old.dxf")});
    logic_->load_paths({wide_path(folder / "new.dxf")});
    settle();

    for (const Picture& picture : view_.pictures)
        EXPECT_EQ(picture.path, wide_path(folder / "new.dxf"));
    EXPECT_EQ(logic_->state().info, u"ASCII   AC1015");
    EXPECT_TRUE(logic_->state().dxf_path.empty());
    EXPECT_FALSE(view_.button);
    EXPECT_EQ(std::count(view_.calls.begin(), view_.calls.end(), "idle"), 1);
}

TEST_F(DialogLogicTest, ClosingDuringALoadLeavesTheWorkerNothingToHandBack) {
    const auto folder = fresh_folder("logic_close");
    write_bytes(folder / "plan.dxf", kEligible);
    probe_->hold = true;
    logic_->load_paths({wide_path(folder / "plan.dxf")});
    view_.run_until([&] { return probe_->entered.load(); });
    ASSERT_TRUE(probe_->entered);

    const int posted = view_.posted_count();
    logic_.reset();
    view_.discard_pending();
    // Only the worker still holds the probe, so it stays valid until released.
    HeldProbe& held = *probe_;
    std::weak_ptr<HeldProbe> alive = probe_;
    probe_.reset();
    held.hold = false;
    // The worker holds the probe until it ends.
    view_.run_until([&] { return alive.expired(); });
    EXPECT_TRUE(alive.expired());
    EXPECT_EQ(view_.posted_count(), posted);
}

TEST_F(DialogLogicTest, StampWritesTheCopyAndShowsItsHead) {
    const auto folder = fresh_folder("logic_stamp");
    write_bytes(folder / "plan.dxf", kEligible);
    logic_->load_paths({wide_path(folder / "plan.dxf")});
    settle();
    logic_->stamp();
    EXPECT_FALSE(view_.button) << "no second copy while the first is written";
    settle();

    EXPECT_NE(read_bytes(folder / "plan.1008.dxf").find("$ACADVER\r\n  1\r\nAC1008"),
              std::string::npos);
    EXPECT_NE(logic_->state().text.find(u"AC1008"), std::u16string::npos);
    EXPECT_TRUE(view_.button);
    EXPECT_EQ(view_.calls.back(), "redraw");
}

struct ShownBox {
    std::u16string text;
    unsigned style = 0;
};

TEST_F(DialogLogicTest, FailedCopyIsReportedInJapaneseWithItsPath) {
    const auto folder = fresh_folder("logic_stamp_fails");
    write_bytes(folder / "plan.dxf", kEligible);
    fs::create_directories(folder / "plan.1008.dxf" / "in the way");
    ShownBox box;
    ScopedMessageBoxPresenter boxes([&](std::u16string_view text, unsigned style, unsigned) {
        box = {std::u16string(text), style};
        return 1;
    });
    logic_->load_paths({wide_path(folder / "plan.dxf")});
    settle();
    logic_->stamp();
    settle();

    EXPECT_EQ(box.style, mb::kOk | mb::kIconStop);
    EXPECT_NE(box.text.find(u"書き込めませんでした"), std::u16string::npos);
    EXPECT_NE(box.text.find(wide_path(folder / "plan.1008.dxf")), std::u16string::npos);
    EXPECT_NE(box.text.find(u"同じ名前のフォルダーがあります"), std::u16string::npos)
        << platform::to_utf8(box.text);
    // Apart from the path, no English.
    std::u16string rest = box.text;
    rest.erase(rest.find(wide_path(folder / "plan.1008.dxf")),
               wide_path(folder / "plan.1008.dxf").size());
    EXPECT_EQ(rest.find(u"cannot"), std::u16string::npos) << platform::to_utf8(rest);
    EXPECT_EQ(rest.find(u"directory"), std::u16string::npos) << platform::to_utf8(rest);
}

TEST_F(DialogLogicTest, VersionBeyondTheHeadStopsTheButtonAndSaysWhyInJapanese) {
    const auto folder = fresh_folder("logic_late_version");
    std::string text = kEligible.substr(0, kEligible.find("  0\r\nENDSEC"));
    text += "999\r\n" + std::string(20000, 'x') + "\r\n  9\r\n$ACADVER\r\n  1\r\nAC1015\r\n";
    text += kEligible.substr(kEligible.find("  0\r\nENDSEC"));
    write_bytes(folder / "late.dxf", text);
    ShownBox box;
    ScopedMessageBoxPresenter boxes([&](std::u16string_view shown, unsigned style, unsigned) {
        box = {std::u16string(shown), style};
        return 1;
    });
    logic_->load_paths({wide_path(folder / "late.dxf")});
    settle();
    ASSERT_TRUE(view_.button);
    logic_->stamp();
    settle();

    EXPECT_FALSE(view_.button);
    EXPECT_TRUE(logic_->state().dxf_path.empty());
    EXPECT_EQ(logic_->state().info, u"ASCII   AC1015");
    EXPECT_EQ(box.text, u"$ACADVER は追加しませんでした．\r\n" + wide_path(folder / "late.dxf") +
                            u"\r\n$ACADVER は既に AC1015 です");
    EXPECT_FALSE(fs::exists(folder / "late.1008.dxf"));
}

TEST(StampMessages, ReasonsForTheWriteStepsAreJapanese) {
    StampResult result;
    result.output_path = u"/d/plan.1008.dxf";
    result.failure = StampFailure::cannot_write;
    result.error = ENOSPC;
    EXPECT_EQ(stamp_failure_message(result),
              u"$ACADVER を追加したファイルを書き込めませんでした．\r\n/d/plan.1008.dxf\r\n"
              u"ファイルを書き込めません（ディスクの空き容量が足りません）");
    result.failure = StampFailure::replaces_input;
    result.error = 0;
    const std::u16string message = stamp_failure_message(result);
    EXPECT_EQ(message.substr(message.rfind(u'\n') + 1), u"書き込み先が元のファイルそのものです");
    EXPECT_EQ(japanese_error_text(12345), u"エラー番号 12345");
}

}  // namespace
}  // namespace vermark::testing
