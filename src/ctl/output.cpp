#include "ctl/output.h"

#include <cstdio>

namespace ferrule::ctl {

int Output::Finish(const remote::Outcome& outcome) {
    if (m_json) {
        std::printf("%s\n", remote::ReplyLine(outcome).c_str());
    } else if (!outcome.Done()) {
        std::fprintf(stderr, "ferrule-ctl: %s\n", outcome.error.c_str());
    } else {
        for (const std::string& line : outcome.lines) {
            std::printf("%s\n", line.c_str());
        }
    }
    std::fflush(stdout);
    return static_cast<int>(outcome.code);
}

int Output::Usage(const std::string& error) {
    if (m_json) {
        return Finish(remote::Outcome::Failure(remote::ExitCode::Refused, error));
    }
    std::fprintf(stderr, "ferrule-ctl: %s\nSee 'ferrule-ctl --help'.\n", error.c_str());
    return static_cast<int>(remote::ExitCode::Refused);
}

void Output::Record(const remote::LinkRecord& record) {
    std::printf("%s\n", m_json ? record.json.Text().c_str() : record.text.c_str());
    std::fflush(stdout);
}

void Output::Note(const std::string& text) {
    if (m_json) {
        std::printf("%s\n", remote::JsonObject().Set("note", text).Text().c_str());
    } else {
        std::printf("%s\n", text.c_str());
    }
    std::fflush(stdout);
}

void Output::Object(const remote::JsonObject& object) {
    std::printf("%s\n", object.Text().c_str());
    std::fflush(stdout);
}

void Output::Text(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

void Output::Warning(const std::string& text) {
    if (m_json) {
        std::printf("%s\n", remote::JsonObject().Set("warning", text).Text().c_str());
        std::fflush(stdout);
    } else {
        std::fprintf(stderr, "ferrule-ctl: warning: %s\n", text.c_str());
    }
}

}  // namespace ferrule::ctl
