// doctor_probe SYSFS DEV GROUP-FILE RULES-FOLDER UNITS-FOLDER DRIVER OPEN-BY TEXT:
// the link doctor run by a test as another program (as another user, for
// one), printing its findings as text and then a line "END". DRIVER is one
// of vendor, tty, sim.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/doctor/link_doctor.h"

int main(int argc, char** argv) {
    if (argc != 9) {
        return 2;
    }
    ferrule::DoctorRoots roots;
    roots.sysfs = argv[1];
    roots.dev = argv[2];
    roots.groupFile = argv[3];
    roots.udevRuleFolders = {argv[4]};
    roots.unitFolders = {argv[5]};
    const std::string driver = argv[6];
    ferrule::DoctorRequest request;
    request.driver = driver == "vendor" ? ferrule::DriverKind::Vendor
                     : driver == "sim"  ? ferrule::DriverKind::Simulator
                                        : ferrule::DriverKind::SerialPorts;
    request.choice = {std::atoi(argv[7]), argv[8]};
    std::printf("%sEND\n", ferrule::FormatFindings(ferrule::DiagnoseLink(roots, request)).c_str());
    return 0;
}
