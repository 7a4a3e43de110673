// A system call interrupted by a signal (EINTR) is made again: the caller sees only its real
// outcome.
#pragma once

#include <cerrno>

namespace vermark::platform {

template <typename Call>
auto retry_interrupted(Call call) {
    for (;;) {
        const auto result = call();
        if (result >= 0 || errno != EINTR) return result;
    }
}

}  // namespace vermark::platform
