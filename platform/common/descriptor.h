// A file descriptor owned by one scope: closed when the scope ends, or earlier with a verdict.
// Both systems' file code uses it, through each system's close_descriptor.
#pragma once

#include "platform/new_file.h"

namespace vermark::platform {

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
