#include <cerrno>

#include "platform/fs.h"

namespace vermark::platform {

bool failure_may_pass(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case EISDIR:
        case EROFS:
        case ENAMETOOLONG:
        case ELOOP:
        case EINVAL:
        case ENXIO:
        case ENODEV:
            return false;
        default:
            return true;
    }
}

}  // namespace vermark::platform
