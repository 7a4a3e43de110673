#include "platform/file_lock.h"

#include <utility>

namespace vermark::platform {

bool may_pass(OpenFailure failure) {
    return failure == OpenFailure::sharing_violation || failure == OpenFailure::transient;
}

LockedFile::~LockedFile() {
    close();
}

LockedFile::LockedFile(LockedFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

}  // namespace vermark::platform
