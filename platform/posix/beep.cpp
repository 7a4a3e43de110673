#include "platform/beep.h"

#include <unistd.h>

#include <utility>

namespace vermark::platform {
namespace {

std::function<void()>& beep_handler() {
    static std::function<void()> handler;
    return handler;
}

}  // namespace

void beep_asterisk() {
    if (const auto& handler = beep_handler()) {
        handler();
        return;
    }
    // Only a terminal: a BEL byte in a redirected log would be noise in the file.
    if (::isatty(STDERR_FILENO) == 1) {
        const char bell = '\a';
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, &bell, 1);
    }
}

void set_beep_handler(std::function<void()> handler) {
    beep_handler() = std::move(handler);
}

}  // namespace vermark::platform
