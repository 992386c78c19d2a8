// ferrule-sim's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ptysim {

struct SimOptions {
    // A folder to write a fake sysfs tree and device folder into, naming the
    // pseudo-terminal as an FTDI serial port; empty for none.
    std::string fakeSysfs;
    std::string description = "Quillon Shutter Controller";
    std::string serial = "QSC00001";
    int port = 0;  // the n of ttyUSB<n> in the fake tree
    // Exit once the program using the port has written to it and closed it.
    bool exitOnClose = false;
    bool help = false;
};

extern const char* const kUsage;

// The options, or nothing with *error set.
std::optional<SimOptions> ParseOptions(const std::vector<std::string>& arguments,
                                       std::string* error);

}  // namespace ptysim
