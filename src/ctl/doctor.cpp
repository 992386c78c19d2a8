#include "ctl/doctor.h"

#include <unistd.h>

#include <algorithm>
#include <vector>

#include "core/doctor/link_doctor.h"

namespace ferrule::ctl {

using remote::ExitCode;
using remote::JsonObject;
using remote::Outcome;

namespace {

const char* KindWord(LinkFinding::Kind kind) {
    switch (kind) {
        case LinkFinding::Kind::Problem:
            return "problem";
        case LinkFinding::Kind::Warning:
            return "warning";
        case LinkFinding::Kind::Unreadable:
            return "unreadable";
        case LinkFinding::Kind::Fine:
            break;
    }
    return "ok";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

JsonObject FindingObject(const LinkFinding& finding) {
    std::vector<std::string> fix;
    for (const std::string& line : Lines(finding.fix)) {
        fix.push_back(remote::JsonString(line));
    }
    return JsonObject()
        .Set("finding", KindWord(finding.kind))
        .Set("summary", finding.summary)
        .Set("detail", finding.detail)
        .SetRaw("fix", remote::JsonArray(fix));
}

// The open's own words, without the advice to run the doctor.
std::string WithoutDoctorAdvice(std::string error) {
    const size_t advice = error.find(" 'ferrule-ctl doctor'");
    return advice == std::string::npos ? error : error.substr(0, advice);
}

}  // namespace

int Doctor(remote::ControllerSession& session, Output& output) {
    const Outcome opened = session.Open();
    DoctorRequest request;
    request.choice = opened.Done() ? session.OpenChoice() : session.ChosenDevice();
    request.driver = DriverKindOf(session.Driver().LoadedPath());
    request.lastOpenError = session.LastOpenError();
    request.lastOpenReason = session.LastOpenReason();
    request.selfPid = static_cast<int>(getpid());
    // The device is let go before the doctor looks, so that this program is
    // not among those holding it.
    session.Close();

    std::vector<LinkFinding> findings;
    if (opened.Done()) {
        const DeviceIdentity& device = session.Device();
        findings.push_back({LinkFinding::Kind::Fine,
                            "The controller opened and answered: " + device.description + " (" +
                                device.serial + ").",
                            "", ""});
    } else if (request.lastOpenReason.empty()) {
        // The library could not tell why; what the open said is evidence still.
        findings.push_back({LinkFinding::Kind::Problem,
                            "The controller could not be opened and probed.",
                            WithoutDoctorAdvice(opened.error), ""});
    }
    const std::vector<LinkFinding> examined = DiagnoseLink(DoctorRoots::FromEnvironment(), request);
    findings.insert(findings.end(), examined.begin(), examined.end());

    if (output.Json()) {
        for (const LinkFinding& finding : findings) {
            output.Object(FindingObject(finding));
        }
    } else {
        output.Text(FormatFindings(findings));
    }
    const bool inTheWay = std::any_of(findings.begin(), findings.end(), [](const LinkFinding& f) {
        return f.kind == LinkFinding::Kind::Problem;
    });
    if (!inTheWay) {
        return output.Finish(Outcome{});
    }
    return output.Finish(Outcome::Failure(
        ExitCode::DeviceUnavailable,
        "something stands between you and the controller: see the problems above"));
}

}  // namespace ferrule::ctl
