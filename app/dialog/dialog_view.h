// What the main dialog's logic (DialogLogic) needs from a window: a thin view that draws, routes
// events and shows boxes. The Qt dialog implements it; a native window can implement it the same.
// Every call comes on the dialog's thread, except post_to_ui, which may come from any thread.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/dialog/picture_source.h"

namespace vermark {

class DialogView {
  public:
    virtual ~DialogView() = default;

    // The read-only edit box's text.
    virtual void set_info_text(std::u16string_view text) = 0;
    virtual void enable_stamp_button(bool enabled) = 0;
    // Draws `picture` into the preview pane at the pane's current size.
    virtual void show_picture(const Picture& picture) = 0;
    // Repaints the preview pane, so that it shows the current head text over the picture.
    virtual void redraw_pane() = 0;
    // The wait cursor, shown while a load runs.
    virtual void set_busy(bool busy) = 0;
    virtual std::u16string caption() const = 0;
    virtual void set_caption(std::u16string_view caption) = 0;
    // Queues `task` to run on the dialog's thread. Called from background threads, and only
    // while the dialog exists.
    virtual void post_to_ui(std::function<void()> task) = 0;
};

}  // namespace vermark
