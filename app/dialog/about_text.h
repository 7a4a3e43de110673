// The About box's texts, read from the program's own version resource.
#pragma once

#include <string>

namespace vermark {

struct AboutTexts {
    // The description, "  Version ", then the file version with blanks removed and commas as
    // full stops ("1, 0, 2023, 921" -> "1.0.2023.921").
    std::u16string version;
    std::u16string copyright;
};

AboutTexts about_texts(const std::u16string& program_path);

}  // namespace vermark
