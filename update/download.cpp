#include "update/download.h"

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "platform/file_moves.h"
#include "platform/fs.h"
#include "platform/http.h"
#include "platform/new_file.h"
#include "platform/parse_url.h"
#include "platform/retry.h"
#include "platform/wide.h"
#include "update/u_agent.h"
#include "update/update_clock.h"
#include "update/update_folders.h"
#include "update/url_text.h"
#include "util/folders.h"
#include "util/path.h"

namespace vermark {
namespace {

// The dialog waits for the download before it shows: both attempts together get this long.
constexpr std::chrono::milliseconds kDownloadBudget(10'000);
// Less than this left is no chance for a second attempt.
constexpr std::chrono::milliseconds kShortestAttempt(500);

using Deadline = std::chrono::steady_clock::time_point;

std::chrono::milliseconds& download_budget() {
    static std::chrono::milliseconds budget = kDownloadBudget;
    return budget;
}

std::u16string remove_all(std::u16string text, std::u16string_view what) {
    for (auto at = text.find(what); at != std::u16string::npos; at = text.find(what, at))
        text.erase(at, what.size());
    return text;
}

// A relative name never climbs out of the folder it is put in.
std::u16string without_parent_steps(std::u16string_view relative) {
    std::u16string out;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = start;
        while (end < relative.size() && !is_separator(relative[end])) ++end;
        const std::u16string_view part = relative.substr(start, end - start);
        out += part == u".." ? std::u16string_view(u"_") : part;
        if (end < relative.size()) out += u'/';
        start = end + 1;
    }
    return out;
}

bool is_missing_or_empty(std::u16string_view path) {
    const auto size = platform::file_size(path);
    return !size || *size == 0;
}

// Writes the body to the local copy, opening it only when the server has answered.
class FileSink : public platform::HttpBodySink {
  public:
    explicit FileSink(std::u16string path) : path_(std::move(path)) {}
    ~FileSink() override { close(); }

    bool open() override {
        return platform::retry(platform::open_retry_policy(), [&] {
            fd_ = platform::open_for_writing(path_, false);
            if (fd_ >= 0) return platform::Attempt::succeeded;
            // A missing folder or a folder in the page's place stays so: no point in waiting.
            return platform::failure_may_pass(errno) ? platform::Attempt::failed_for_now
                                                     : platform::Attempt::failed_for_good;
        });
    }

    bool write(const char* data, std::size_t size) override {
        return fd_ >= 0 && platform::write_to_descriptor(fd_, data, size);
    }

    bool close() {
        if (fd_ < 0) return true;
        const bool closed = platform::close_descriptor(fd_);
        fd_ = -1;
        return closed;
    }

  private:
    std::u16string path_;
    int fd_ = -1;
};

std::u16string server_port_prefix(const platform::ParsedUrl& url) {
    return url.server + u"\t" + platform::from_utf8(std::to_string(url.port)) + u"\t";
}

// One GET of scheme + rest into `local` that ends by `deadline`; see fetch_url.
bool fetch_before(std::u16string_view scheme, std::u16string_view rest, const std::u16string& local,
                  Deadline deadline) {
    move_file(local, numbered_name(local, true), false);
    const std::u16string url = std::u16string(scheme) + std::u16string(rest);
    const auto parsed = platform::parse_url(url);
    if (!parsed) {
        report_line(u"Failed AfxParseURL |" + url);
        return false;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left < kShortestAttempt) {
        report_line(server_port_prefix(*parsed) + u"No time left for the request");
        return false;
    }
    platform::HttpGet request;
    request.secure = parsed->service == platform::inet_service_https;
    request.server = platform::to_utf8(parsed->server);
    request.port = parsed->port;
    request.object = platform::to_utf8(parsed->object);
    request.user_agent = platform::to_utf8(user_agent_text());
    request.time_limit_ms = static_cast<long>(left.count());

    FileSink sink(local);
    const platform::HttpResult result = platform::http_get(request, sink);
    const bool stored = sink.close();
    if (result.failure == platform::HttpFailure::none && stored) return true;

    // A partial or refused body must not pass for a page on the next run.
    if (result.opened) platform::remove_file(local);
    if (result.failure == platform::HttpFailure::not_sent) {
        report_line(server_port_prefix(*parsed) + u"SendRequest ... error");
        return true;
    }
    const std::u16string text = result.failure != platform::HttpFailure::none
                                    ? platform::from_utf8(result.error_text)
                                    : u"The page could not be stored";
    report_line(server_port_prefix(*parsed) + text);
    return false;
}

Deadline download_deadline() {
    return std::chrono::steady_clock::now() + download_budget();
}

}  // namespace

std::u16string local_copy_path(std::u16string_view page) {
    program_temp_folder();
    const std::u16string folder = tool_temp_folder(u"R_Pull");
    const std::u16string path =
        normalise_separators(ensure_separator(folder) + without_parent_steps(url_local_name(page)));
    create_folder_chain(folder_of(path));
    return path;
}

std::u16string download_page(std::u16string_view page) {
    const std::u16string rest = scheme_relative_url(page);
    const std::u16string local = local_copy_path(page);
    move_file(local, numbered_name(local, true), false);
    const Deadline deadline = download_deadline();
    if (is_missing_or_empty(local)) fetch_before(u"https:", rest, local, deadline);
    if (is_missing_or_empty(local)) fetch_before(u"http:", rest, local, deadline);
    return local;
}

bool fetch_url(std::u16string_view scheme, std::u16string_view rest, std::u16string_view local) {
    return fetch_before(scheme, rest, std::u16string(local), download_deadline());
}

void set_download_budget(std::chrono::milliseconds budget) {
    download_budget() = budget.count() > 0 ? budget : kDownloadBudget;
}

std::u16string scheme_relative_url(std::u16string_view page) {
    std::u16string rest = remove_all(remove_all(std::u16string(page), u"https:"), u"http:");
    if (rest.starts_with(u"//")) return rest;
    if (rest.starts_with(u"/")) return u"/" + rest;
    return u"//" + rest;
}

std::u16string numbered_name(std::u16string_view path, bool always) {
    if (!always && !exists(path, false)) return std::u16string(path);
    const std::u16string base = ensure_separator(folder_of(path)) + stem_of(path) + u".";
    const std::u16string extension = extension_of(path);
    const std::u16string tail = extension.empty() ? u"" : u"." + extension;
    for (int counter = 0; counter < 1000; ++counter) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%03d", counter);
        std::u16string candidate = base + platform::from_utf8(digits) + tail;
        if (!exists(candidate, false)) return candidate;
    }
    return std::u16string(path);
}

bool move_file(std::u16string_view from, std::u16string_view to, bool keep_existing) {
    if (!exists(from, false)) return false;
    if (keep_existing && exists(to, false)) return false;
    const std::u16string target_folder = folder_of(to);
    const auto folder_ready = [&] {
        return folder_exists(target_folder) || create_folder_chain(target_folder);
    };
    if (folder_ready() && platform::rename_without_replacing(from, to)) return true;
    if (exists(from, false) && (!keep_existing || !exists(to, false)) && folder_ready()) {
        if (platform::copy_file_bytes(from, to, keep_existing)) return platform::remove_file(from);
    }
    return false;
}

}  // namespace vermark
