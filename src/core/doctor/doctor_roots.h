// Where the link doctor looks: the system's own places, each replaceable so
// that a test or a demonstration can present a fake tree.
#pragma once

#include <filesystem>
#include <vector>

namespace ferrule {

struct DoctorRoots {
    std::filesystem::path sysfs = "/sys";
    std::filesystem::path dev = "/dev";
    std::filesystem::path proc = "/proc";
    std::filesystem::path groupFile = "/etc/group";
    // In udev's order of precedence; a folder that is a link to another one
    // (/lib to /usr/lib) is read once.
    std::vector<std::filesystem::path> udevRuleFolders = {
        "/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
    std::vector<std::filesystem::path> unitFolders = {"/etc/systemd/system", "/run/systemd/system",
                                                      "/usr/lib/systemd/system",
                                                      "/lib/systemd/system"};

    // The system's places, but for the sysfs root and the device folder the
    // bundled serial back end is pointed at (FERRULE_TTY_SYSFS and
    // FERRULE_TTY_DEV), so that the doctor inspects what the back end sees.
    static DoctorRoots FromEnvironment();
};

}  // namespace ferrule
