#include "dxf/write_behind.h"

#include <cstring>
#include <system_error>

namespace vermark {

bool WriteBehind::start() {
    if (started_) return true;
    if (unavailable_) return false;
    try {
        thread_ = std::thread([this] { run(); });
        started_ = true;
    } catch (const std::system_error&) {
        unavailable_ = true;
    }
    return started_;
}

WriteBehind::Slot& WriteBehind::next_slot(std::size_t size) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queued_ - written_ < kSlots; });
    Slot& slot = slots_[queued_ % kSlots];
    lock.unlock();
    // The slot is free: the writer only takes slots below queued_.
    if (slot.capacity < size) {
        slot.data = std::make_unique_for_overwrite<std::uint8_t[]>(size);
        slot.capacity = size;
    }
    return slot;
}

std::span<std::uint8_t> WriteBehind::free_slot(std::size_t size) {
    if (closing_ || !start()) return {};
    return {next_slot(size).data.get(), size};
}

void WriteBehind::write(platform::ByteView bytes) {
    if (bytes.empty()) return;
    if (closing_ || !start()) {
        out_.write(bytes.data(), bytes.size());
        return;
    }
    Slot& slot = next_slot(bytes.size());
    if (bytes.data() != slot.data.get()) std::memcpy(slot.data.get(), bytes.data(), bytes.size());
    slot.size = bytes.size();
    {
        const std::lock_guard lock(mutex_);
        ++queued_;
    }
    changed_.notify_all();
}

void WriteBehind::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return written_ < queued_ || closing_; });
        if (written_ == queued_) return;  // closing, and nothing left
        const Slot& slot = slots_[written_ % kSlots];
        lock.unlock();
        // After a failure the staged file refuses further writes at once.
        out_.write(slot.data.get(), slot.size);
        lock.lock();
        ++written_;
        changed_.notify_all();
    }
}

void WriteBehind::finish() {
    if (!started_ || closing_) {
        closing_ = true;
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

}  // namespace vermark
