// A DialogView that records what the logic asks of it, and a queue standing in for the window's
// event loop: background results wait there until the test runs them on its own thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/dialog/dialog_view.h"
#include "platform/wide.h"
#include "support/paths.h"

namespace vermark::testing {

class FakeView : public DialogView {
  public:
    void set_info_text(std::u16string_view text) override {
        calls.push_back("info " + platform::to_utf8(text));
        info = text;
    }
    void enable_stamp_button(bool enabled) override {
        calls.push_back(enabled ? "button on" : "button off");
        button = enabled;
    }
    void show_picture(const Picture& picture) override {
        calls.push_back("picture");
        pictures.push_back(picture);
    }
    void redraw_pane() override { calls.push_back("redraw"); }
    void set_busy(bool on) override {
        calls.push_back(on ? "busy" : "idle");
        busy = on;
    }
    std::u16string caption() const override { return title; }
    void set_caption(std::u16string_view text) override { title = text; }
    void post_to_ui(std::function<void()> task) override {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(task));
        ++posted;
        arrived_.notify_all();
    }

    // Runs queued tasks on this thread until `done` holds (ten seconds at most).
    template <class Done>
    void run_until(Done done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done() && std::chrono::steady_clock::now() < end) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex_);
                arrived_.wait_until(
                    lock,
                    std::min(end, std::chrono::steady_clock::now() + std::chrono::milliseconds(20)),
                    [&] { return !queue_.empty(); });
                if (queue_.empty()) continue;
                task = std::move(queue_.front());
                queue_.pop_front();
            }
            task();
        }
    }
    // What a destroyed window does with its pending events.
    void discard_pending() {
        std::lock_guard lock(mutex_);
        queue_.clear();
    }
    int posted_count() {
        std::lock_guard lock(mutex_);
        return posted;
    }

    std::vector<std::string> calls;
    std::vector<Picture> pictures;
    std::u16string info;
    std::u16string title = u"$ACADVER 追加";
    bool button = false;
    bool busy = false;

  private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> queue_;
    int posted = 0;
};

}  // namespace vermark::testing
