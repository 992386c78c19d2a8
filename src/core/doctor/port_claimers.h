// Programs that take serial adapters for themselves: the braille display
// daemon brltty, whose udev rules claim some FTDI adapters as braille
// displays, and ModemManager, which probes new serial ports for modems by
// writing to them. Each is found from its udev rules, its systemd units and
// its running process.
#pragma once

#include <string>
#include <vector>

#include "core/doctor/doctor_roots.h"

namespace ferrule {

struct PortClaimer {
    std::string name;                   // "brltty" or "ModemManager"
    std::vector<std::string> evidence;  // what shows it is there, one item each
    bool canClaim = false;              // nothing keeps it off an FTDI adapter
};

// The claimers present, in a fixed order.
std::vector<PortClaimer> FindPortClaimers(const DoctorRoots& roots);

// The package's own rule, where udev would find it: its path, or empty.
std::string InstalledRule(const DoctorRoots& roots, const std::string& fileName);

inline constexpr const char* kPackageRuleName = "60-ferrule-ftdi.rules";

}  // namespace ferrule
