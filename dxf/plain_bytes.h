// One quick sweep over a piece of byte text: whether it is plain, that is all ASCII and without
// a '$'. Most pieces of a big drawing are; the encoding guess and the "$ACADVER" search can then
// pass over them instead of each sweeping them again.
#pragma once

#include "text/byte_buffer.h"

namespace vermark {

// True when every byte is below 0x80 and none is '$'.
bool is_plain_ascii(platform::ByteView bytes);

}  // namespace vermark
