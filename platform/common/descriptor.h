// A file descriptor owned by one scope: closed when the scope ends, or earlier with a verdict.
// Both systems' file code uses it; each defines close_descriptor with its own close call.
#pragma once

namespace vermark::platform {

// Closes `fd`; true when the close (and so the last writes) succeeded.
bool close_descriptor(int fd);

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close_descriptor(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and reports whether the close (and so the last writes) succeeded.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return close_descriptor(fd);
    }

  private:
    int fd_;
};

}  // namespace vermark::platform
