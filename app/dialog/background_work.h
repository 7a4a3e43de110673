// Work that would keep the window waiting (reading a large drawing, writing a stamped copy) runs
// on a thread of its own and hands its result back to the dialog's thread through a UiChannel.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

namespace vermark {

// The way back to the dialog's thread. The view supplies the poster (a queued call into its
// event loop, callable from any thread). Closing the channel when the dialog goes away turns
// later hand-backs into no-ops, so a worker that outlives its dialog touches nothing of it.
class UiChannel {
  public:
    using Task = std::function<void()>;
    using Poster = std::function<void(Task)>;

    explicit UiChannel(Poster poster) : poster_(std::move(poster)) {}

    // Queues `task` for the dialog's thread; false, with the task dropped, once closed.
    bool post(Task task);
    void close();

  private:
    std::mutex mutex_;
    Poster poster_;
};

// Runs `job` on a thread of its own (on the calling thread when no thread can be started).
// A job that writes files sets `finish_before_exit`; one that only reads is only given a short
// while at exit. An exception out of `job` ends the job, not the program: a job that must hand
// something back catches what it can throw itself.
void run_in_background(std::function<void()> job, bool finish_before_exit = false);

// Waits until no job that must finish before the exit runs, at most `limit`; true when none
// runs. The program calls it before it exits, so that a copy being written is finished.
bool wait_for_background_work(std::chrono::milliseconds limit);

// Waits until no job at all runs, at most `limit`; true when none runs. A job still running when
// the program tears down Qt and its static objects would use them destroyed, so the program
// that gets false leaves without tearing down.
bool wait_for_all_background_work(std::chrono::milliseconds limit);

}  // namespace vermark
