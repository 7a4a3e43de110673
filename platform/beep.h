// The desktop's "asterisk" sound: what a program plays to draw attention without a window of its
// own. The windowing layer installs its beep; without a window nothing sounds.
#pragma once

#include <functional>

namespace vermark::platform {

void beep_asterisk();

// Replaces the sound (an empty function returns to the terminal bell).
void set_beep_handler(std::function<void()> handler);

}  // namespace vermark::platform
