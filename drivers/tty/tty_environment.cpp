#include "tty_environment.h"

#include <cstdlib>

namespace ftty {
namespace {

std::filesystem::path FromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? value : fallback;
}

}  // namespace

std::filesystem::path SysfsRoot() {
    return FromEnvironment("FERRULE_TTY_SYSFS", "/sys");
}

std::filesystem::path DevRoot() {
    return FromEnvironment("FERRULE_TTY_DEV", "/dev");
}

}  // namespace ftty
