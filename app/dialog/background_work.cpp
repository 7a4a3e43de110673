#include "app/dialog/background_work.h"

#include <condition_variable>
#include <thread>

namespace vermark {
namespace {

struct RunningJobs {
    std::mutex mutex;
    std::condition_variable changed;
    int finishing = 0;  // jobs that must finish before the exit
    int all = 0;
};

RunningJobs& running_jobs() {
    // Never destroyed: a job may still end while the program exits.
    static RunningJobs* jobs = new RunningJobs;
    return *jobs;
}

void job_started(bool finish_before_exit) {
    RunningJobs& jobs = running_jobs();
    std::lock_guard lock(jobs.mutex);
    ++jobs.all;
    if (finish_before_exit) ++jobs.finishing;
}

void job_ended(bool finish_before_exit) {
    RunningJobs& jobs = running_jobs();
    std::lock_guard lock(jobs.mutex);
    --jobs.all;
    if (finish_before_exit) --jobs.finishing;
    jobs.changed.notify_all();
}

bool wait_until_none(std::chrono::milliseconds limit, int RunningJobs::*counter) {
    RunningJobs& jobs = running_jobs();
    std::unique_lock lock(jobs.mutex);
    return jobs.changed.wait_for(lock, limit, [&] { return jobs.*counter == 0; });
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
    job_started(finish_before_exit);
    auto body = [job = std::move(job), finish_before_exit] {
        // An exception leaving a thread ends the program: it ends only this job.
        try {
            job();
        } catch (...) {
        }
        job_ended(finish_before_exit);
    };
    try {
        std::thread(body).detach();
    } catch (...) {
        // No thread to be had (nor the memory for one): the work is done now, as it was before
        // threads.
        body();
    }
}

bool wait_for_background_work(std::chrono::milliseconds limit) {
    return wait_until_none(limit, &RunningJobs::finishing);
}

bool wait_for_all_background_work(std::chrono::milliseconds limit) {
    return wait_until_none(limit, &RunningJobs::all);
}

}  // namespace vermark
