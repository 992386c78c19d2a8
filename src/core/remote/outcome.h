// What running one command came to: done (with a result, or plainly), or
// not, with the reason and the exit code a script tells the cases by. The
// same outcome is printed for a person, printed as JSON, or sent back as the
// reply line of a socket request.
#pragma once

#include <string>
#include <vector>

#include "core/remote/json_writer.h"

namespace ferrule::remote {

enum class ExitCode {
    Done = 0,
    NoAnswer = 1,           // the controller did not answer in time
    Refused = 2,            // a usage error, or a value refused
    DeviceUnavailable = 3,  // not found, busy or not permitted
    LinkFailed = 4,         // the link failed mid-command
};

struct Outcome {
    ExitCode code = ExitCode::Done;
    std::string error;               // why, when not done
    JsonObject result;               // a result's fields; empty for a command plainly done
    std::vector<std::string> lines;  // the result as a person reads it
    std::string plain;               // a reply that is a line of text, not JSON (*IDN?)

    bool Done() const { return code == ExitCode::Done; }
    static Outcome Failure(ExitCode code, std::string error) {
        Outcome outcome;
        outcome.code = code;
        outcome.error = std::move(error);
        return outcome;
    }
};

// The outcome as one line of JSON (without its line end): the result's
// object, {"ok": true}, or {"error": "...", "exit": N}; the plain text where
// the outcome has one.
std::string ReplyLine(const Outcome& outcome);

}  // namespace ferrule::remote
