#include "core/doctor/link_finding.h"

#include <algorithm>
#include <sstream>

namespace ferrule {
namespace {

void AppendIndented(std::string& out, const std::string& text, const std::string& first,
                    const std::string& rest) {
    std::istringstream lines(text);
    std::string line;
    bool isFirst = true;
    while (std::getline(lines, line)) {
        out += (isFirst ? first : rest) + line + "\n";
        isFirst = false;
    }
}

}  // namespace

const char* KindLabel(LinkFinding::Kind kind) {
    switch (kind) {
        case LinkFinding::Kind::Problem:
            return "Problem";
        case LinkFinding::Kind::Warning:
            return "Warning";
        case LinkFinding::Kind::Unreadable:
            return "Could not check";
        case LinkFinding::Kind::Fine:
            return "OK";
    }
    return "";
}

std::string FormatFindings(const std::vector<LinkFinding>& findings) {
    std::string out;
    for (const LinkFinding& finding : findings) {
        if (!out.empty()) {
            out += "\n";
        }
        out += std::string(KindLabel(finding.kind)) + ": " + finding.summary + "\n";
        AppendIndented(out, finding.detail, "  ", "  ");
        AppendIndented(out, finding.fix, "  Fix: ", "       ");
    }
    return out;
}

bool AnythingInTheWay(const std::vector<LinkFinding>& findings) {
    return std::any_of(findings.begin(), findings.end(), [](const LinkFinding& f) {
        return f.kind == LinkFinding::Kind::Problem || f.kind == LinkFinding::Kind::Warning;
    });
}

}  // namespace ferrule
