#include "cli/cli_commands.h"

#include <functional>
#include <vector>

#include "cli/copy_guard.h"
#include "cli/side_by_side.h"
#include "dxf/dxf_stamp.h"
#include "platform/safe_replace.h"
#include "platform/wide.h"

namespace vermark::cli {
namespace {

FileReport error_report(const char* command, const Target& target, std::string reason) {
    FileReport report;
    report.command = command;
    report.path = target.path;
    report.status = "error";
    report.reason = std::move(reason);
    return report;
}

enum class Pace {
    one_at_a_time,
    two_at_a_time,  // only for work that touches nothing another target's work does
};

// Runs `work` on each usable target, reporting progress and each result in the order named; 1
// when any report is an error or `work` counts the file as failed. One at a time, the progress
// line names the file being worked on; two at a time, the file being reported.
int for_each_target(const char* command, const std::vector<Target>& targets, Reporter& reporter,
                    const std::function<FileReport(const Target&, bool& failed)>& work,
                    Pace pace = Pace::one_at_a_time) {
    std::vector<FileReport> reports(targets.size());
    std::vector<char> failures(targets.size(), 0);
    const auto run = [&](std::size_t i) {
        const Target& target = targets[i];
        bool failed = false;
        reports[i] = target.error.empty() ? work(target, failed)
                                          : error_report(command, target, target.error);
        failures[i] = failed;
    };
    int status = kExitOk;
    const auto report = [&](std::size_t i) {
        if (reports[i].is_error() || failures[i]) status = kExitFailed;
        reporter.report(reports[i]);
        reports[i] = FileReport();
    };
    const auto show_progress = [&](std::size_t i) {
        reporter.progress(i + 1, targets.size(), targets[i].path);
    };
    if (pace == Pace::two_at_a_time) {
        side_by_side(targets.size(), run, [&](std::size_t i) {
            show_progress(i);
            report(i);
        });
    } else {
        for (std::size_t i = 0; i < targets.size(); ++i) {
            show_progress(i);
            run(i);
            report(i);
        }
    }
    reporter.finish();
    return status;
}

FileReport inspection_report(const char* command, const Target& target, const DxfInspection& seen) {
    FileReport report;
    report.command = command;
    report.path = target.path;
    report.encoding = platform::to_utf8(seen.encoding_name);
    report.encoding_code = seen.text_code;
    if (seen.has_acadver) report.version = platform::to_utf8(seen.version);
    report.reason = platform::to_utf8(seen.reason);
    if (seen.refusal == DxfRefusal::unreadable) {
        report.status = "error";
        report.encoding.clear();
        report.encoding_code.reset();
    }
    return report;
}

}  // namespace

int run_inspect(const std::vector<Target>& targets, Reporter& reporter) {
    return for_each_target("inspect", targets, reporter, [](const Target& target, bool&) {
        const DxfInspection seen = inspect_dxf(platform::from_utf8(target.path), true);
        FileReport report = inspection_report("inspect", target, seen);
        if (!report.is_error()) {
            report.status = "ok";
            report.eligible = seen.eligible;
        }
        return report;
    });
}

namespace {

FileReport stamp_report(const Target& target, const StampResult& result) {
    FileReport report;
    report.command = "stamp";
    report.path = target.path;
    report.status = platform::to_utf8(outcome_word(result.outcome));
    report.output = platform::to_utf8(result.output_path);
    report.reason = platform::to_utf8(result.reason);
    if (result.outcome == StampOutcome::written) {
        report.encoding = platform::to_utf8(encoding_name(result.output_code));
        report.encoding_code = result.output_code;
    } else if (result.refusal == DxfRefusal::version_recorded) {
        report.version = platform::to_utf8(result.version);
    }
    if (result.outcome != StampOutcome::written) report.output.clear();
    return report;
}

}  // namespace

int run_stamp(const std::vector<Target>& targets, Reporter& reporter) {
    platform::remove_staged_files_on_termination();
    CopyGuard guard(targets);
    // Where no drawing's copy can meet another's, the guard has nothing to check or note, and
    // the drawings are stamped two at a time.
    const bool order_free = guard.order_free(targets);
    return for_each_target(
        "stamp", targets, reporter,
        [&guard, order_free](const Target& target, bool&) {
            if (!order_free) {
                if (std::string conflict = guard.conflict(target.path); !conflict.empty()) {
                    return error_report("stamp", target, std::move(conflict));
                }
            }
            const StampResult result =
                stamp_dxf(platform::from_utf8(target.path), StampHead::skipped);
            if (!order_free) guard.note(target.path, result);
            return stamp_report(target, result);
        },
        order_free ? Pace::two_at_a_time : Pace::one_at_a_time);
}

int run_check(const std::vector<Target>& targets, Reporter& reporter) {
    return for_each_target("check", targets, reporter, [](const Target& target, bool& failed) {
        const DxfInspection seen = inspect_dxf(platform::from_utf8(target.path), true);
        FileReport report = inspection_report("check", target, seen);
        if (report.is_error()) return report;
        report.status = seen.has_acadver ? "ok" : "missing";
        report.reason = seen.has_acadver ? "" : "no $ACADVER";
        failed = !seen.has_acadver;
        return report;
    });
}

}  // namespace vermark::cli
