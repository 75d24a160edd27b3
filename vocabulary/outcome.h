// What became of one step of the run (a folder request, a download, the
// signature check, an install), ready for the run log. Every room that
// performs a step reports it this way; the run turns it into log lines.
#pragma once

#include <string>
#include <utility>

namespace vocab {

enum class OutcomeKind {
    kOk,
    kFailed,   // the step could not be done (the server, the disk, a limit)
    kRefused,  // the step was done and judged the package unfit
};

struct Outcome {
    OutcomeKind kind = OutcomeKind::kOk;
    std::string item;    // the file or item concerned; empty when it is the whole step
    std::string reason;  // why the step is not ok; empty when ok

    static Outcome Failed(std::string item, std::string reason) {
        return {OutcomeKind::kFailed, std::move(item), std::move(reason)};
    }
    static Outcome Refused(std::string item, std::string reason) {
        return {OutcomeKind::kRefused, std::move(item), std::move(reason)};
    }
    bool ok() const { return kind == OutcomeKind::kOk; }

    // "<item>: <reason>", or the reason alone without an item; "unknown
    // reason" stands for an empty one.
    std::string Text() const {
        std::string why = reason.empty() ? std::string("unknown reason") : reason;
        return item.empty() ? why : item + ": " + why;
    }
    // The log line's detail: "(" + Text() + ")".
    std::string Detail() const { return "(" + Text() + ")"; }
};

}  // namespace vocab
