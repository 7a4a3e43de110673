// The English texts inspection and stamping give for what they refuse or fail at.
#pragma once

#include <string>
#include <string_view>

#include "dxf/dxf_source.h"

namespace vermark {

// "cannot open: No such file or directory", "cannot read: Input/output error".
std::u16string read_failure_text(const ReadOutcome& read);

// "already AC1015"; "already has $ACADVER" when no version follows it.
std::u16string version_refusal_text(std::u16string_view version);

// "no HEADER section".
std::u16string no_header_text();

// The system's text for an errno value ("No space left on device").
std::u16string error_text(int error);

}  // namespace vermark
