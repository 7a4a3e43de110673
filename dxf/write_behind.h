// Writes a stream of chunks to a staged file on a second thread, so that the next chunk is read
// and searched while the last one is written. Each chunk goes into one of a few slots (read
// straight into it, or copied); the caller waits only when every slot is still being written.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

#include "platform/byte_buffer.h"
#include "platform/safe_replace.h"

namespace vermark {

class WriteBehind {
  public:
    explicit WriteBehind(platform::StagedReplacement& out) : out_(out) {}
    ~WriteBehind() { finish(); }
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // Queues a copy of `bytes` (no copy when they were read into free_slot()). Without a second
    // thread (none could be started) it writes here.
    void write(platform::ByteView bytes);
    // The buffer the next write() will queue, at least `size` bytes: reading into it spares
    // write() its copy. Empty without a second thread.
    std::span<std::uint8_t> free_slot(std::size_t size);
    // Returns once everything queued is written (or has failed: see the staged file's error).
    // Nothing is written after it; the file belongs to the caller again.
    void finish();

  private:
    static constexpr std::size_t kSlots = 4;

    struct Slot {
        std::unique_ptr<std::uint8_t[]> data;
        std::size_t capacity = 0;
        std::size_t size = 0;
    };

    // The slot write() fills next, once the writer is done with it, holding `size` bytes.
    Slot& next_slot(std::size_t size);

    bool start();
    void run();

    platform::StagedReplacement& out_;
    std::thread thread_;
    bool started_ = false;
    bool unavailable_ = false;  // the thread could not be started
    std::mutex mutex_;
    std::condition_variable changed_;
    Slot slots_[kSlots];
    std::uint64_t queued_ = 0;   // chunks handed in
    std::uint64_t written_ = 0;  // chunks written (or dropped after a failure)
    bool closing_ = false;
};

}  // namespace vermark
