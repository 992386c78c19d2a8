// Where the library looks for devices: the sysfs root and the folder of
// device nodes, normally /sys and /dev. FERRULE_TTY_SYSFS and FERRULE_TTY_DEV
// replace them, so that a test or a demonstration can present a fake sysfs
// tree whose device node is a pseudo-terminal. Read at every look-up.
#pragma once

#include <filesystem>

namespace ftty {

std::filesystem::path SysfsRoot();
std::filesystem::path DevRoot();

}  // namespace ftty
