#include "platform/beep.h"

#include <utility>

namespace vermark::platform {
namespace {

std::function<void()>& beep_handler() {
    static std::function<void()> handler;
    return handler;
}

}  // namespace

void beep_asterisk() {
    if (const auto& handler = beep_handler()) handler();
}

void set_beep_handler(std::function<void()> handler) {
    beep_handler() = std::move(handler);
}

}  // namespace vermark::platform
