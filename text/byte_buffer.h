// The byte buffer type of the text functions; it lives with the platform services, which read
// and convert bytes too.
#pragma once

#include "platform/byte_buffer.h"
