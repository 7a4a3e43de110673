#include "cli/side_by_side.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace vermark::cli {

void side_by_side(std::size_t count, const std::function<void(std::size_t)>& work,
                  const std::function<void(std::size_t)>& deliver) {
    std::vector<char> done(count, 0);
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<std::size_t> next{0};

    // Takes the next piece of work; false once none is left.
    const auto take_one = [&] {
        const std::size_t i = next.fetch_add(1);
        if (i >= count) return false;
        work(i);
        {
            const std::lock_guard lock(mutex);
            done[i] = 1;
        }
        finished.notify_all();
        return true;
    };

    std::thread helper;
    if (std::thread::hardware_concurrency() > 1 && count > 1) {
        try {
            helper = std::thread([&] {
                while (take_one()) {
                }
            });
        } catch (const std::system_error&) {
            // No second thread: this one does it all.
        }
    }

    std::size_t delivered = 0;
    bool more = true;
    while (delivered < count) {
        if (more) more = take_one();
        std::unique_lock lock(mutex);
        // With nothing left to take, wait for the helper's piece that is due next.
        if (!more) finished.wait(lock, [&] { return done[delivered] != 0; });
        while (delivered < count && done[delivered]) {
            lock.unlock();
            deliver(delivered);
            ++delivered;
            lock.lock();
        }
    }
    if (helper.joinable()) helper.join();
}

}  // namespace vermark::cli
