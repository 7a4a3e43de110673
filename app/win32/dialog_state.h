// What the main dialog knows and decides, apart from any window system: the state of the loaded
// file, what a stamping outcome means for it and for the user, and where the controls and the
// painted text go for a client size. A view (Win32 here) shows this state and routes events to it.
#pragma once

#include <string>

#include "app/preview_fit.h"
#include "dxf/dxf_stamp.h"

namespace vermark {

struct DialogState {
    std::u16string info;      // the edit box's text
    std::u16string text;      // the head text painted into the preview pane
    std::u16string dxf_path;  // the path the button stamps; empty when it cannot
    int text_code = 0;        // the TextEncoding of the last loaded file
    bool can_stamp = false;   // the button is enabled
};

// The state of a load that read nothing yet: everything empty, the button off.
void reset_for_load(DialogState& state);

// The state after inspecting a file.
void take_inspection(DialogState& state, const DxfInspection& inspection);

// What the user is told after pressing the button; no box when `style` is absent.
struct StampNotice {
    bool show = false;
    std::u16string text;
    unsigned style = 0;
};

// Updates the state for the stamping outcome of `input` and says what to show. A copy written
// shows its head text; a version found beyond the inspected head is added to the edit box and
// turns the button off.
StampNotice take_stamp_result(DialogState& state, const std::u16string& input,
                              const StampResult& result);

// The pane keeps its top and fills the client to 1 pixel from the other edges; the edit box
// keeps all but its right edge.
PixelRect preview_pane_rect(const PixelRect& pane, const PixelRect& client);
PixelRect info_box_rect(const PixelRect& edit, const PixelRect& client);

// Where the text is painted, on the pane's surface: the dialog's client rectangle moved 5, 5
// pixels in at the left and top and 7, 20 at the right and bottom.
PixelRect painted_text_rect(const PixelRect& dialog_client);

}  // namespace vermark
