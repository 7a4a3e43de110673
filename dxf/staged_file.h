// A file written under a temporary name in its target's folder and renamed over the target only
// once complete, so that the target is either the old file or the whole new one, never a part.
#pragma once

#include <string>

#include "text/byte_buffer.h"

namespace vermark {

class StagedFile {
  public:
    StagedFile() = default;
    ~StagedFile();  // an uncommitted temporary file is removed
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates a new temporary file beside `target` (a hidden name ending in ".tmp"). When
    // `model` names a file, group and others get no permission on the new file that they lack
    // on that one, so a copy of a private drawing stays private. 0 on success, else the errno
    // value.
    int create(const std::u16string& target, const std::u16string& model = {});
    // Appends bytes; false once any write has failed (see error()).
    bool write(ByteView bytes);
    // Closes the temporary file and renames it over the target. 0 on success, else the errno
    // value, and the temporary file is removed.
    int commit();
    // Closes and removes the temporary file.
    void abandon();

    int error() const { return error_; }
    const std::u16string& temp_path() const { return temp_path_; }

  private:
    int fd_ = -1;
    std::u16string target_;
    std::u16string temp_path_;
    int error_ = 0;
};

// True when both paths name one existing file (through links, or as hard links of each other).
bool is_same_file(const std::u16string& a, const std::u16string& b);

}  // namespace vermark
