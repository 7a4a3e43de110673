#include "app/win32/dialog_state.h"

#include "diag/message_box.h"

namespace vermark {
namespace {

constexpr int kLayoutMargin = 1;
constexpr int kTextInsetLeft = 5;
constexpr int kTextInsetTop = 5;
constexpr int kTextInsetRight = 7;
constexpr int kTextInsetBottom = 20;

}  // namespace

void reset_for_load(DialogState& state) {
    state.text_code = 0;
    state.dxf_path.clear();
    state.info.clear();
    state.can_stamp = false;
}

void take_inspection(DialogState& state, const DxfInspection& inspection) {
    reset_for_load(state);
    state.text_code = inspection.text_code;
    state.text = inspection.head_text;
    state.info = inspection.info;
    if (inspection.eligible) {
        state.can_stamp = true;
        state.dxf_path = inspection.stamp_path;
    }
}

StampNotice take_stamp_result(DialogState& state, const std::u16string& input,
                              const StampResult& result) {
    switch (result.outcome) {
        case StampOutcome::written:
            state.text = result.head_text;
            return {};
        case StampOutcome::not_eligible:
            if (result.refusal == DxfRefusal::version_recorded) {
                state.info += u"   " + result.version;
                state.can_stamp = false;
                state.dxf_path.clear();
            }
            return {true, u"$ACADVER は追加しませんでした．\r\n" + input + u"\r\n" + result.reason,
                    mb::kOk | mb::kIconInformation};
        case StampOutcome::failed:
            break;
    }
    return {true,
            u"$ACADVER を追加したファイルを書き込めませんでした．\r\n" + result.output_path +
                u"\r\n" + result.reason,
            mb::kOk | mb::kIconStop};
}

PixelRect preview_pane_rect(const PixelRect& pane, const PixelRect& client) {
    return fit_edges_to_client(pane, client, kLayoutMargin, true, false, false, false);
}

PixelRect info_box_rect(const PixelRect& edit, const PixelRect& client) {
    return fit_edges_to_client(edit, client, kLayoutMargin, true, true, true, false);
}

PixelRect painted_text_rect(const PixelRect& dialog_client) {
    return {dialog_client.left + kTextInsetLeft, dialog_client.top + kTextInsetTop,
            dialog_client.right - kTextInsetRight, dialog_client.bottom - kTextInsetBottom};
}

}  // namespace vermark
