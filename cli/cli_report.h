// How `vermark` reports each file: a text line (or a JSON object) on standard output, one error
// line on standard error per failure, and a progress line on a terminal's standard error.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace vermark::cli {

struct FileReport {
    std::string command;  // "inspect", "stamp", "check"
    std::string path;
    std::string status;    // inspect "ok"; stamp "written"/"skipped"; check "ok"/"missing"; "error"
    std::string encoding;  // encoding name; for stamp, the copy's
    std::optional<int> encoding_code;    // its TextEncoding code
    std::optional<std::string> version;  // recorded version ("" when $ACADVER has no value)
    std::optional<bool> eligible;        // inspect only
    std::string output;                  // stamp: the copy's path
    std::string reason;                  // why skipped, not stampable, or failed
    bool is_error() const { return status == "error"; }
};

// The text as a terminal line may hold it: control characters (C0, DEL, C1) and bytes that are
// not UTF-8 written as \n, \r, \t or \xNN, so that no file name can break or forge a line.
std::string printable(std::string_view text);

// A JSON string literal: quotes, backslashes and control characters escaped, bytes that are not
// UTF-8 replaced by U+FFFD.
std::string json_quoted(const std::string& text);

// The JSON object of one report, on one line.
std::string json_line(const FileReport& report);

// The text line of one report on standard output (empty for errors: they go to standard error).
std::string text_line(const FileReport& report);

class Reporter {
  public:
    Reporter(std::ostream& out, std::ostream& err, bool json, bool quiet, bool progress)
        : out_(out), err_(err), json_(json), quiet_(quiet), progress_(progress) {}

    // "[3/40] path" on standard error, overwritten by the next; only with `progress` on.
    void progress(std::size_t index, std::size_t total, const std::string& path);
    void report(const FileReport& report);
    // Clears the progress line.
    void finish();

  private:
    void clear_progress();

    std::ostream& out_;
    std::ostream& err_;
    bool json_;
    bool quiet_;
    bool progress_;
    bool progress_shown_ = false;
};

}  // namespace vermark::cli
