// What the main dialog does, apart from any window system: the load of dropped files (picture,
// then inspection), the stamping with its message boxes, and the dialog's state. Reading a file
// and writing its copy run on background threads, so the window never waits for them; their
// results come back through DialogView::post_to_ui and are applied on the dialog's thread in the
// order of the load. A newer load makes the results of an older one count for nothing.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/dialog/background_work.h"
#include "app/dialog/dialog_view.h"
#include "app/dialog/picture_source.h"
#include "dxf/dxf_stamp.h"

namespace vermark {

// The dialog's data: the edit box's text, the text painted into the pane, the path that may be
// stamped, and the encoding code of the last loaded file.
struct DialogState {
    std::u16string info;
    std::u16string text;
    std::u16string dxf_path;
    int text_code = 0;
};

class DialogLogic {
  public:
    // `probe` is asked from background threads and must not refer to the window.
    DialogLogic(DialogView& view, std::shared_ptr<const ThumbnailProbe> probe);
    ~DialogLogic();
    // Stops handing background results back. The view calls it first when it is destroyed,
    // while it can still take calls.
    void close();
    DialogLogic(const DialogLogic&) = delete;
    DialogLogic& operator=(const DialogLogic&) = delete;

    DialogState& state() { return state_; }
    const DialogState& state() const { return state_; }

    // Loads the paths one after the other, as a drop of them does: each shortcut or link is
    // followed, its picture shown, then the file inspected. The wait cursor shows until the
    // last one is done; the button is off meanwhile.
    void load_paths(std::vector<std::u16string> paths);
    bool loading() const { return loading_; }

    // Writes the stamped copy of the stamping path, then shows it or says why it is not there.
    void stamp();
    bool stamping() const { return stamping_; }

    // Draws the current picture again, for a new pane size; nothing is read again.
    void redraw_picture();
    const Picture& picture() const { return picture_; }
    bool has_picture() const { return has_picture_; }

  private:
    void clear_inspection();
    void apply_picture(unsigned load, const Picture& picture);
    void apply_inspection(unsigned load, const std::u16string& path, const DxfInspection& seen);
    void finish_load(unsigned load);
    void finish_stamp(unsigned load, const std::u16string& input, const StampResult& result);
    void set_busy(bool busy);

    DialogView& view_;
    std::shared_ptr<const ThumbnailProbe> probe_;
    std::shared_ptr<UiChannel> channel_;
    // The newest load's number, read by the workers so that a superseded one stops early.
    std::shared_ptr<std::atomic<unsigned>> newest_load_;
    DialogState state_;
    Picture picture_;
    bool has_picture_ = false;
    unsigned load_ = 0;
    bool loading_ = false;
    bool stamping_ = false;
};

}  // namespace vermark
