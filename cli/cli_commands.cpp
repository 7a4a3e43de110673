#include "cli/cli_commands.h"

#include <functional>

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

// Runs `work` on each usable target, reporting progress and each result; 1 when any report is
// an error or `work` counts the file as failed.
int for_each_target(const char* command, const std::vector<Target>& targets, Reporter& reporter,
                    const std::function<FileReport(const Target&, bool& failed)>& work) {
    int status = kExitOk;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const Target& target = targets[i];
        reporter.progress(i + 1, targets.size(), target.path);
        bool failed = false;
        FileReport report = target.error.empty() ? work(target, failed)
                                                 : error_report(command, target, target.error);
        if (report.is_error() || failed) status = kExitFailed;
        reporter.report(report);
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

StampResult stamp_target(const Target& target) {
    return stamp_dxf(platform::from_utf8(target.path), StampHead::skipped);
}

// Where no drawing's copy can meet another's, the drawings are stamped two at a time; the
// reports still come in the order named.
int stamp_side_by_side(const std::vector<Target>& targets, Reporter& reporter) {
    int status = kExitOk;
    side_by_side(
        targets.size(),
        [&targets](std::size_t i) {
            const Target& target = targets[i];
            return target.error.empty() ? stamp_report(target, stamp_target(target))
                                        : error_report("stamp", target, target.error);
        },
        [&](std::size_t i, FileReport& report) {
            reporter.progress(i + 1, targets.size(), targets[i].path);
            if (report.is_error()) status = kExitFailed;
            reporter.report(report);
        });
    reporter.finish();
    return status;
}

}  // namespace

int run_stamp(const std::vector<Target>& targets, Reporter& reporter) {
    platform::remove_staged_files_on_termination();
    CopyGuard guard(targets);
    if (guard.order_free(targets)) return stamp_side_by_side(targets, reporter);
    return for_each_target("stamp", targets, reporter, [&guard](const Target& target, bool&) {
        if (std::string conflict = guard.conflict(target.path); !conflict.empty()) {
            return error_report("stamp", target, std::move(conflict));
        }
        const StampResult result = stamp_target(target);
        guard.note(target.path, result);
        return stamp_report(target, result);
    });
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
