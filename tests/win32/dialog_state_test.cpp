#include "app/win32/dialog_state.h"

#include <gtest/gtest.h>

#include "diag/message_box.h"

namespace vermark {
namespace {

DxfInspection eligible_file() {
    DxfInspection inspection;
    inspection.text_code = encoding::kAscii;
    inspection.info = u"ASCII";
    inspection.head_text = u"  0\r\nSECTION\r\n";
    inspection.eligible = true;
    inspection.stamp_path = u"C:\\plans\\plan.dxf";
    return inspection;
}

TEST(DialogState, InspectionDecidesTheButtonAndThePathAndALaterLoadForgetsThem) {
    DialogState state;
    take_inspection(state, eligible_file());
    EXPECT_TRUE(state.can_stamp);
    EXPECT_EQ(state.dxf_path, u"C:\\plans\\plan.dxf");
    EXPECT_EQ(state.info, u"ASCII");
    EXPECT_EQ(state.text_code, encoding::kAscii);

    DxfInspection recorded;
    recorded.info = u"ASCII   AC1015";
    recorded.head_text = u"other";
    take_inspection(state, recorded);
    EXPECT_FALSE(state.can_stamp);
    EXPECT_TRUE(state.dxf_path.empty());
    EXPECT_EQ(state.info, u"ASCII   AC1015");
    EXPECT_EQ(state.text, u"other");
}

TEST(DialogState, StampOutcomes) {
    DialogState state;
    take_inspection(state, eligible_file());

    StampResult written;
    written.outcome = StampOutcome::written;
    written.head_text = u"stamped head";
    EXPECT_FALSE(take_stamp_result(state, u"plan.dxf", written).show);
    EXPECT_EQ(state.text, u"stamped head");

    // A version beyond the inspected head: shown, and the button goes off for good.
    StampResult late;
    late.outcome = StampOutcome::not_eligible;
    late.refusal = DxfRefusal::version_recorded;
    late.version = u"AC1015";
    late.reason = u"already AC1015";
    const StampNotice refused = take_stamp_result(state, u"plan.dxf", late);
    EXPECT_TRUE(refused.show);
    EXPECT_EQ(refused.style, mb::kOk | mb::kIconInformation);
    EXPECT_NE(refused.text.find(u"plan.dxf\r\nalready AC1015"), std::u16string::npos);
    EXPECT_EQ(state.info, u"ASCII   AC1015");
    EXPECT_FALSE(state.can_stamp);
    EXPECT_TRUE(state.dxf_path.empty());

    StampResult failed;
    failed.outcome = StampOutcome::failed;
    failed.output_path = u"plan.1008.dxf";
    failed.reason = u"disk full while writing plan.1008.dxf";
    const StampNotice failure = take_stamp_result(state, u"plan.dxf", failed);
    EXPECT_EQ(failure.style, mb::kOk | mb::kIconStop);
    EXPECT_NE(failure.text.find(u"\r\nplan.1008.dxf\r\ndisk full"), std::u16string::npos);
}

TEST(DialogState, LayoutKeepsTopsAndOnePixelFromTheClientEdges) {
    const PixelRect client{0, 0, 400, 300};
    EXPECT_EQ(preview_pane_rect({0, 58, 213, 286}, client), (PixelRect{1, 58, 399, 299}));
    EXPECT_EQ(info_box_rect({2, 32, 240, 56}, client), (PixelRect{2, 32, 399, 56}));
    EXPECT_EQ(painted_text_rect(client), (PixelRect{5, 5, 393, 280}));
}

}  // namespace
}  // namespace vermark
