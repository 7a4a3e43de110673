#include "cli/cli_report.h"

#include <cstdio>

#include "platform/wide.h"

namespace vermark::cli {
namespace {

// The progress line stays within an ordinary terminal's width.
constexpr std::size_t kProgressWidth = 78;

bool is_control(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

void append_escaped_byte(std::string& out, unsigned char byte) {
    switch (byte) {
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default: {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        }
    }
}

std::string shortened(const std::string& path, std::size_t width) {
    if (path.size() <= width) return path;
    std::string text(3, '.');
    text.append(path, path.size() - (width - 3), std::string::npos);
    return text;
}

std::string text_line_of_printable(const FileReport& r) {
    if (r.command == "inspect") {
        const std::string version = r.version && !r.version->empty() ? *r.version : "-";
        const std::string verdict =
            r.eligible.value_or(false) ? "can be stamped" : "cannot be stamped: " + r.reason;
        return r.path + "\t" + r.encoding + "\t" + version + "\t" + verdict;
    }
    if (r.command == "stamp") {
        if (r.status == "written")
            return "written\t" + r.path + " -> " + r.output + " (" + r.encoding + ")";
        return "skipped\t" + r.path + ": " + r.reason;
    }
    if (r.status == "ok") {
        return "ok\t" + r.path + "\t" + (r.version && !r.version->empty() ? *r.version : "-");
    }
    return r.status + "\t" + r.path + ": " + r.reason;
}

// Every text that came from a file or its name, made safe to print.
FileReport printable_report(FileReport r) {
    for (std::string* text : {&r.path, &r.status, &r.encoding, &r.output, &r.reason})
        *text = printable(*text);
    if (r.version) r.version = printable(*r.version);
    return r;
}

}  // namespace

std::string printable(std::string_view text) {
    constexpr std::string_view kEncodedReplacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        const char32_t c = platform::next_code_point(text, i);
        const std::string_view bytes = text.substr(start, i - start);
        const bool malformed = c == 0xFFFD && bytes != kEncodedReplacement;
        if (malformed || is_control(c)) {
            for (const char byte : bytes)
                append_escaped_byte(out, static_cast<unsigned char>(byte));
        } else {
            out += bytes;
        }
    }
    return out;
}

std::string json_quoted(const std::string& raw) {
    // JSON is UTF-8: bytes that are not (a file name in another encoding) become U+FFFD.
    const std::string text = platform::to_utf8(platform::from_utf8(raw));
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string json_line(const FileReport& r) {
    std::string line = "{\"command\":" + json_quoted(r.command) +
                       ",\"path\":" + json_quoted(r.path) + ",\"status\":" + json_quoted(r.status);
    if (!r.encoding.empty()) line += ",\"encoding\":" + json_quoted(r.encoding);
    if (r.encoding_code) line += ",\"encoding_code\":" + std::to_string(*r.encoding_code);
    if (r.command != "stamp" || r.status != "written") {
        line += ",\"version\":" + (r.version ? json_quoted(*r.version) : std::string("null"));
    }
    if (r.eligible) line += std::string(",\"eligible\":") + (*r.eligible ? "true" : "false");
    if (!r.output.empty()) line += ",\"output\":" + json_quoted(r.output);
    line += ",\"reason\":" + (r.reason.empty() ? std::string("null") : json_quoted(r.reason));
    return line + "}";
}

std::string text_line(const FileReport& r) {
    if (r.is_error()) return {};
    return text_line_of_printable(printable_report(r));
}

void Reporter::progress(std::size_t index, std::size_t total, const std::string& path) {
    if (!progress_) return;
    std::string counter(1, '[');
    counter.append(std::to_string(index)).append(1, '/').append(std::to_string(total)).append("] ");
    err_ << "\r\033[K" << counter << printable(shortened(path, kProgressWidth - counter.size()));
    err_.flush();
    progress_shown_ = true;
}

void Reporter::report(const FileReport& r) {
    clear_progress();
    if (r.is_error())
        err_ << "vermark: " << printable(r.path) << ": " << printable(r.reason) << "\n";
    if (json_) {
        out_ << json_line(r) << "\n";
    } else if (!quiet_ && !r.is_error()) {
        out_ << text_line(r) << "\n";
    }
    out_.flush();
}

void Reporter::finish() {
    clear_progress();
}

void Reporter::clear_progress() {
    if (!progress_shown_) return;
    err_ << "\r\033[K";
    err_.flush();
    progress_shown_ = false;
}

}  // namespace vermark::cli
