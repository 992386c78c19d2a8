#include "core/doctor/doctor_roots.h"

#include <cstdlib>

namespace ferrule {

DoctorRoots DoctorRoots::FromEnvironment() {
    DoctorRoots roots;
    if (const char* sysfs = std::getenv("FERRULE_TTY_SYSFS"); sysfs != nullptr && *sysfs != '\0') {
        roots.sysfs = sysfs;
    }
    if (const char* dev = std::getenv("FERRULE_TTY_DEV"); dev != nullptr && *dev != '\0') {
        roots.dev = dev;
    }
    return roots;
}

}  // namespace ferrule
