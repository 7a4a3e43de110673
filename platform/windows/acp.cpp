#include "platform/acp.h"

#include <windows.h>

namespace vermark::platform {

unsigned active_code_page() {
    return ::GetACP();
}

}  // namespace vermark::platform
