#include "app/dialog/background_work.h"

#include <condition_variable>
#include <system_error>
#include <thread>

namespace vermark {
namespace {

struct RunningJobs {
    std::mutex mutex;
    std::condition_variable idle;
    int count = 0;
};

RunningJobs& running_jobs() {
    // Never destroyed: a detached job may still end while the program exits.
    static RunningJobs* jobs = new RunningJobs;
    return *jobs;
}

void job_ended(bool counted) {
    if (!counted) return;
    RunningJobs& jobs = running_jobs();
    std::lock_guard lock(jobs.mutex);
    if (--jobs.count == 0) jobs.idle.notify_all();
}

}  // namespace

bool UiChannel::post(Task task) {
    std::lock_guard lock(mutex_);
    if (!poster_) return false;
    poster_(std::move(task));
    return true;
}

void UiChannel::close() {
    std::lock_guard lock(mutex_);
    poster_ = nullptr;
}

void run_in_background(std::function<void()> job, bool finish_before_exit) {
    if (finish_before_exit) {
        std::lock_guard lock(running_jobs().mutex);
        ++running_jobs().count;
    }
    auto body = [job = std::move(job), finish_before_exit] {
        job();
        job_ended(finish_before_exit);
    };
    try {
        std::thread(body).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the work is done now, as it was before threads.
        body();
    }
}

bool wait_for_background_work(std::chrono::milliseconds limit) {
    RunningJobs& jobs = running_jobs();
    std::unique_lock lock(jobs.mutex);
    return jobs.idle.wait_for(lock, limit, [&] { return jobs.count == 0; });
}

}  // namespace vermark
