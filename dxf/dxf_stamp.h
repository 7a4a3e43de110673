// Inspection of a DXF drawing's text (encoding, recorded $ACADVER, whether it can be stamped) and
// the writing of its stamped copy NAME.1008.dxf, whose HEADER section starts with the group
// "  9" "$ACADVER" "  1" "AC1008". Both stream the file in chunks, so memory stays small whatever
// the file's size. The input is only ever opened for reading. Nothing here throws.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/byte_buffer.h"
#include "text/encoding.h"

namespace vermark {

// How much of a file's start the inspection decodes, shows and searches.
inline constexpr std::size_t kDxfHeadLimit = 16384;

// The value written, and the extension that replaces the input's in the copy's name.
inline constexpr std::u16string_view kStampVersion = u"AC1008";
inline constexpr std::u16string_view kStampedExtension = u".1008.dxf";

// The file's first min(size, limit) bytes in a zeroed buffer of 2 * limit + 2 bytes. A file that
// cannot be opened (one attempt, then a 100 ms wait) gives an empty buffer and the log line
// "::ReadHead   Can't open   " + path.
platform::ByteBuffer ReadHead(const std::u16string& path, std::size_t limit);

// Why a file cannot be stamped.
enum class DxfRefusal {
    none,               // it can be stamped
    unreadable,         // the file could not be opened or read
    no_header_section,  // no line "HEADER" after a group 0 "SECTION" and a group code 2
    version_recorded,   // "$ACADVER" is already there
};

// What a dialog shows for a file, and what the command line reports.
struct DxfInspection {
    TextEncoding text_code = encoding::kUnknown;  // of the whole file; chooses the copy's encoding
    std::u16string encoding_name;                 // "UTF_8", "Shift_JIS", ...
    bool has_acadver = false;                     // "$ACADVER" was found (head, or whole text)
    std::u16string version;     // up to 6 characters from its "AC" ("AC1015"); may be empty
    std::u16string info;        // the edit-box text: encoding name, then "   " + version if any
    std::u16string head_text;   // the first kDxfHeadLimit bytes decoded, cut at the first zero
    bool eligible = false;      // stamping would write a copy
    std::u16string stamp_path;  // the inspected path when eligible, else empty
    DxfRefusal refusal = DxfRefusal::none;
    std::u16string reason;  // English text for the refusal, empty when eligible
};

// Inspects the file. The encoding is that of the whole file (read in chunks). "$ACADVER" and the
// HEADER section are looked for in the head text only, unless `search_whole_text` is set: then
// "$ACADVER" anywhere in the file counts (as stamping will find it) and its version is reported.
// A file that cannot be opened is named "ASCII" (the encoding of no bytes) and is not eligible.
DxfInspection inspect_dxf(const std::u16string& path, bool search_whole_text = false);

// The copy's path: the folder, the name without its last extension, ".1008.dxf"
// (a/plan.dxf -> a/plan.1008.dxf, a/a.b.dxf -> a/a.b.1008.dxf, a/plan -> a/plan.1008.dxf).
// Only '/' separates folders: a backslash is part of a Linux file name.
std::u16string stamped_path_of(const std::u16string& path);

enum class StampOutcome {
    written,       // the copy is in place
    not_eligible,  // nothing written; `refusal` and `reason` say why
    failed,        // nothing written (an earlier copy is left as it was); `reason` says why
};

// What went wrong when nothing could be written.
enum class StampFailure {
    none,
    replaces_input,  // the copy's name is the input itself
    cannot_open,     // the input
    cannot_read,     // the input
    cannot_create,   // the temporary file beside the copy
    cannot_write,    // the copy's bytes
    cannot_replace,  // the finished copy could not be put in place
};

struct StampResult {
    StampOutcome outcome = StampOutcome::failed;
    std::u16string output_path;  // where the copy goes (also set when nothing was written)
    // The copy's encoding when written: the input's for kept bytes (UTF-8, ASCII, Shift_JIS,
    // Unknown), kUtf16 for UTF-16, kShiftJis for converted UTF-16 big-endian and UTF-32 input.
    TextEncoding output_code = encoding::kUnknown;
    DxfRefusal refusal = DxfRefusal::none;
    std::u16string version;  // the version found when "$ACADVER" was already recorded
    std::u16string reason;   // English text, empty when written
    StampFailure failure = StampFailure::none;  // for `failed`
    int error = 0;                              // errno of the failure, 0 when there is none
    std::u16string head_text;  // the copy's first kDxfHeadLimit bytes decoded, for display
};

// Whether a written copy's head is decoded for display: a batch run shows none, and decoding
// costs more than the rest of a small drawing's stamp.
enum class StampHead { decoded, skipped };

// Writes the stamped copy beside the input. The group goes directly after the line end of the
// HEADER section's name line, with that line's own line end (CR LF, LF or CR). The copy keeps the
// input's bytes and encoding (a UTF-8 mark is dropped); UTF-16 big-endian and UTF-32 inputs are
// converted to Shift_JIS. "$ACADVER" anywhere in the text means nothing is written. The copy is
// written to a temporary file in the same folder and renamed over the target when complete.
// When the target is the input itself (a link named like its own copy), nothing is written.
// The layout is read from the file's own byte-order mark, so no code from an inspection is needed
// (for a file that did not change, the result is the one that code would choose).
StampResult stamp_dxf(const std::u16string& path, StampHead head = StampHead::decoded);

// Short English name of an outcome: "written", "skipped", "error".
std::u16string_view outcome_word(StampOutcome outcome);

}  // namespace vermark
