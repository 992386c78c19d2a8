// One thing the link doctor found: what it is in plain words, the evidence,
// and the command (or the steps) that fix it.
#pragma once

#include <string>
#include <vector>

namespace ferrule {

struct LinkFinding {
    enum class Kind {
        Problem,     // stands between the user and the controller
        Warning,     // may get in the way, or makes the link worse
        Unreadable,  // what the doctor could not read, instead of a guess
        Fine,        // checked and in order
    };
    Kind kind = Kind::Problem;
    std::string summary;  // one sentence
    std::string detail;   // the evidence; may be empty
    std::string fix;      // one command a line; empty when nothing is to be done
};

// "Problem", "Warning", "Could not check", "OK".
const char* KindLabel(LinkFinding::Kind kind);

// The findings as text for a terminal or a screen reader: one block each,
// "<label>: <summary>", the evidence indented below it, and each line of the
// fix after "Fix: " (later lines aligned under the first).
std::string FormatFindings(const std::vector<LinkFinding>& findings);

// Whether any finding is a problem or a warning.
bool AnythingInTheWay(const std::vector<LinkFinding>& findings);

}  // namespace ferrule
