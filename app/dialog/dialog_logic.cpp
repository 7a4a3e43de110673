#include "app/dialog/dialog_logic.h"

#include <cerrno>

#include "app/dialog/dropped_path.h"
#include "app/dialog/stamp_messages.h"
#include "app/dialog/timing_trace.h"
#include "diag/message_box.h"

namespace vermark {
namespace {

// A picture that cannot be had (a drawing too large for the memory left) is the file type's
// icon, as for a drawing too large to be drawn at all.
Picture picture_or_icon(const std::u16string& path, const ThumbnailProbe& probe) {
    try {
        return choose_picture(path, probe);
    } catch (...) {
        return Picture{PictureKind::icon, path, nullptr};
    }
}

// The stamping's result; a stamping cut short by an exception wrote nothing, and says so.
StampResult stamp_or_failure(const std::u16string& input) {
    try {
        return stamp_dxf(input);
    } catch (...) {
        StampResult result;
        result.outcome = StampOutcome::failed;
        result.output_path = stamped_path_of(input);
        result.failure = StampFailure::cannot_write;
        result.error = ENOMEM;
        return result;
    }
}

}  // namespace

DialogLogic::DialogLogic(DialogView& view, std::shared_ptr<const ThumbnailProbe> probe)
    : view_(view),
      probe_(std::move(probe)),
      channel_(std::make_shared<UiChannel>(
          [&view](UiChannel::Task task) { view.post_to_ui(std::move(task)); })),
      newest_load_(std::make_shared<std::atomic<unsigned>>(0)) {}

DialogLogic::~DialogLogic() {
    close();
}

void DialogLogic::close() {
    // Workers still running finish on their own; what they hand back is dropped.
    channel_->close();
    newest_load_->store(0);
}

void DialogLogic::load_paths(std::vector<std::u16string> paths) {
    const unsigned load = ++load_;
    newest_load_->store(load);
    set_busy(true);
    clear_inspection();
    run_in_background([this, load, paths = std::move(paths), channel = channel_,
                       newest = newest_load_, probe = probe_] {
        // Whatever a file does to the reading, the load ends: the wait cursor goes.
        try {
            for (const std::u16string& dropped : paths) {
                if (newest->load() != load) return;
                const std::u16string path = resolve_dropped_path(dropped);
                Picture picture = picture_or_icon(path, *probe);
                channel->post([this, load, picture] { apply_picture(load, picture); });
                if (newest->load() != load) return;
                DxfInspection seen = inspect_dxf(path);
                channel->post([this, load, path, seen] { apply_inspection(load, path, seen); });
            }
        } catch (...) {
        }
        channel->post([this, load] { finish_load(load); });
    });
}

void DialogLogic::clear_inspection() {
    state_.text_code = 0;
    state_.dxf_path.clear();
    state_.info.clear();
    view_.enable_stamp_button(false);
    view_.set_info_text(state_.info);
}

void DialogLogic::apply_picture(unsigned load, const Picture& picture) {
    if (load != load_) return;
    picture_ = picture;
    has_picture_ = true;
    view_.show_picture(picture_);
    trace_timing("picture-shown");
}

void DialogLogic::apply_inspection(unsigned load, const std::u16string& path,
                                   const DxfInspection& seen) {
    if (load != load_) return;
    clear_inspection();
    state_.info = seen.encoding_name;
    state_.text_code = seen.text_code;
    view_.set_info_text(state_.info);
    state_.text = seen.head_text;
    state_.info = seen.info;
    view_.set_info_text(state_.info);
    if (seen.eligible) {
        view_.enable_stamp_button(!stamping_);
        state_.dxf_path = path;
    }
    view_.redraw_pane();
}

void DialogLogic::finish_load(unsigned load) {
    if (load != load_) return;
    set_busy(false);
    trace_timing("load-done");
}

void DialogLogic::set_busy(bool busy) {
    if (busy == loading_) return;
    loading_ = busy;
    view_.set_busy(busy);
}

void DialogLogic::redraw_picture() {
    if (has_picture_) view_.show_picture(picture_);
}

void DialogLogic::stamp() {
    if (stamping_ || state_.dxf_path.empty()) return;
    stamping_ = true;
    // One copy at a time: a second press while the first is written would write it twice.
    view_.enable_stamp_button(false);
    run_in_background(
        [this, load = load_, input = state_.dxf_path, channel = channel_] {
            const StampResult result = stamp_or_failure(input);
            channel->post([this, load, input, result] { finish_stamp(load, input, result); });
        },
        true);
}

void DialogLogic::finish_stamp(unsigned load, const std::u16string& input,
                               const StampResult& result) {
    stamping_ = false;
    // A load since the button was pressed owns the state; only the boxes still concern the user.
    const bool current = load == load_;
    if (!state_.dxf_path.empty()) view_.enable_stamp_button(true);
    switch (result.outcome) {
        case StampOutcome::written:
            if (current) {
                state_.text = result.head_text;
                view_.redraw_pane();
            }
            return;
        case StampOutcome::not_eligible:
            if (current && result.refusal == DxfRefusal::version_recorded) {
                // The version lies beyond the inspected head: say so, and stop offering the button.
                state_.info += u"   " + result.version;
                view_.set_info_text(state_.info);
                view_.enable_stamp_button(false);
                state_.dxf_path.clear();
            }
            message_box(stamp_refusal_message(input, result), mb::kOk | mb::kIconInformation, 0);
            return;
        case StampOutcome::failed:
            message_box(stamp_failure_message(result), mb::kOk | mb::kIconStop, 0);
            return;
    }
}

}  // namespace vermark
