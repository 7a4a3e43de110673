// The texts of the dialog's stamping message boxes. The dialog's language is Japanese, so the
// reasons are given in Japanese too; the paths stay as they are.
#pragma once

#include <string>

#include "dxf/dxf_stamp.h"

namespace vermark {

// The box for a copy that could not be written: the heading, the copy's path, the reason.
std::u16string stamp_failure_message(const StampResult& result);

// The box for a file that was not stamped: the heading, the input's path, the reason.
std::u16string stamp_refusal_message(const std::u16string& input, const StampResult& result);

// The system's reason for an errno value, in Japanese ("エラー番号 N" for the rare ones).
std::u16string japanese_error_text(int error);

}  // namespace vermark
