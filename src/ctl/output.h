// What ferrule-ctl prints: text a person reads by default, one JSON object a
// line with --json; results and events on standard output, errors on
// standard error (as JSON on standard output with --json, so that a script
// reads every outcome from one place).
#pragma once

#include <string>

#include "core/remote/link_narrator.h"
#include "core/remote/outcome.h"

namespace ferrule::ctl {

class Output {
public:
    explicit Output(bool json) : m_json(json) {}

    // Prints the outcome and returns its exit code.
    int Finish(const remote::Outcome& outcome);
    // A usage error: the message and where to read more; exit code 2.
    int Usage(const std::string& error);
    // An event as it comes.
    void Record(const remote::LinkRecord& record);
    // A line that tells what the program is doing (serve's addresses).
    void Note(const std::string& text);
    // One object of a result given in several (the doctor's findings).
    void Object(const remote::JsonObject& object);
    // Text for a person, as it is.
    void Text(const std::string& text);
    bool Json() const { return m_json; }
    // Something that went wrong beside the command, which goes on (a record
    // that stopped). Safe from any thread.
    void Warning(const std::string& text);

private:
    bool m_json;
};

}  // namespace ferrule::ctl
