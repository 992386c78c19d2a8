// ferrule-ctl's own command line: the options that choose the device, the
// driver, the output and the time-out, the serve options, and the words of
// the command itself, which the command grammar reads.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/remote/controller_session.h"
#include "core/remote/listen_address.h"

namespace ferrule::ctl {

struct ServeOptions {
    std::string socketPath;  // empty: the default, $XDG_RUNTIME_DIR/ferrule.sock
    bool noSocket = false;   // --socket none: TCP only
    std::optional<remote::TcpAddress> listen;
    bool allowRemote = false;
    int idleSeconds = 600;
    bool reconnect = true;  // a lost link is opened again when the device is back
};

struct CtlOptions {
    std::optional<std::string> driver;  // as given to --driver
    remote::DeviceChoice device;
    bool deviceGiven = false;
    std::optional<std::string> profile;
    bool json = false;
    int timeoutMs = 2000;
    bool help = false;
    bool version = false;
    bool serve = false;
    ServeOptions serveOptions;
    std::vector<std::string> words;  // the command and its arguments
};

struct ParsedOptions {
    std::optional<CtlOptions> options;
    std::string error;
};

// The program's own options may come before or after the command; every
// other word belongs to the command.
ParsedOptions ParseCtlOptions(const std::vector<std::string>& arguments);

extern const char* const kUsageHead;
// After the commands.
extern const char* const kUsageTail;

}  // namespace ferrule::ctl
