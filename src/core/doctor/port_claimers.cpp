#include "core/doctor/port_claimers.h"

#include <algorithm>
#include <set>
#include <sstream>
#include <system_error>

#include "core/common/bounded_file_read.h"
#include "core/doctor/port_holders.h"

namespace fs = std::filesystem;

namespace ferrule {
namespace {

constexpr std::size_t kLargestRuleFile = 1 << 20;

// The files of the folders, by name, the first folder winning as it does for
// udev and systemd; a folder reached twice (/lib is /usr/lib) counts once.
std::vector<fs::path> FilesByName(const std::vector<fs::path>& folders) {
    std::vector<fs::path> files;
    std::set<std::string> names;
    std::set<fs::path> seen;
    for (const fs::path& folder : folders) {
        std::error_code ec;
        const fs::path real = fs::canonical(folder, ec);
        if (ec || !seen.insert(real).second) {
            continue;
        }
        for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator();
             it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (names.insert(name).second) {
                files.push_back(it->path());
            }
        }
    }
    return files;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Whether a rule line names FTDI's vendor: ATTRS{idVendor}=="0403", or
// ENV{PRODUCT}=="403/6001/*" as some rules match.
bool NamesFtdi(const std::string& line) {
    return Contains(line, "0403") || Contains(line, "\"403/");
}

std::string Lines(const fs::path& file) {
    std::string problem;
    return ReadRegularFile(file.string(), kLargestRuleFile, &problem).value_or("");
}

void AddRunning(const DoctorRoots& roots, const std::string& process, PortClaimer* claimer) {
    for (const PortHolder& running : FindProcesses(roots.proc, process)) {
        claimer->evidence.push_back("running as PID " + std::to_string(running.pid));
    }
}

void AddUnits(const std::vector<fs::path>& units, const std::string& prefix, PortClaimer* claimer) {
    for (const fs::path& unit : units) {
        const std::string name = unit.filename().string();
        if (name.rfind(prefix, 0) == 0 && name.size() > 8 &&
            name.compare(name.size() - 8, 8, ".service") == 0) {
            claimer->evidence.push_back("service " + unit.string());
        }
    }
}

PortClaimer Brltty(const DoctorRoots& roots, const std::vector<fs::path>& rules,
                   const std::vector<fs::path>& units) {
    PortClaimer brltty{"brltty", {}, false};
    for (const fs::path& rule : rules) {
        if (!Contains(rule.filename().string(), "brltty")) {
            continue;
        }
        std::istringstream lines(Lines(rule));
        bool ftdi = false;
        for (std::string line; std::getline(lines, line);) {
            ftdi = ftdi || (line.find('#') != 0 && NamesFtdi(line));
        }
        brltty.evidence.push_back("udev rule " + rule.string() +
                                  (ftdi ? " (claims FTDI adapters, USB vendor 0403)" : ""));
        brltty.canClaim = brltty.canClaim || ftdi;
    }
    AddUnits(units, "brltty", &brltty);
    const size_t before = brltty.evidence.size();
    AddRunning(roots, "brltty", &brltty);
    brltty.canClaim = brltty.canClaim || brltty.evidence.size() > before;
    return brltty;
}

PortClaimer ModemManager(const DoctorRoots& roots, const std::vector<fs::path>& rules,
                         const std::vector<fs::path>& units) {
    PortClaimer manager{"ModemManager", {}, false};
    AddUnits(units, "ModemManager", &manager);
    AddRunning(roots, "ModemManager", &manager);
    if (manager.evidence.empty()) {
        return manager;
    }
    // A rule that tells ModemManager to leave FTDI adapters alone.
    bool ignored = false;
    for (const fs::path& rule : rules) {
        std::istringstream lines(Lines(rule));
        for (std::string line; std::getline(lines, line);) {
            ignored = ignored || (line.find('#') != 0 && NamesFtdi(line) &&
                                  Contains(line, "ID_MM_DEVICE_IGNORE"));
        }
    }
    manager.canClaim = !ignored;
    return manager;
}

}  // namespace

std::vector<PortClaimer> FindPortClaimers(const DoctorRoots& roots) {
    const std::vector<fs::path> rules = FilesByName(roots.udevRuleFolders);
    const std::vector<fs::path> units = FilesByName(roots.unitFolders);
    std::vector<PortClaimer> claimers;
    for (PortClaimer claimer : {Brltty(roots, rules, units), ModemManager(roots, rules, units)}) {
        if (!claimer.evidence.empty()) {
            claimers.push_back(std::move(claimer));
        }
    }
    return claimers;
}

std::string InstalledRule(const DoctorRoots& roots, const std::string& fileName) {
    for (const fs::path& rule : FilesByName(roots.udevRuleFolders)) {
        if (rule.filename() == fileName) {
            return rule.string();
        }
    }
    return {};
}

}  // namespace ferrule
