#include "sim_options.h"

#include <cstdlib>

namespace ptysim {

const char* const kUsage =
    "Usage: ferrule-sim [--fake-sysfs DIR [--description TEXT] [--serial TEXT] [--port N]]\n"
    "                   [--exit-on-close]\n"
    "Runs the simulated shutter controller behind a pseudo-terminal and prints the\n"
    "terminal's path. It answers until it is stopped (SIGTERM, SIGINT).\n"
    "  --fake-sysfs DIR   also write DIR/sys and DIR/dev, a sysfs tree and device folder\n"
    "                     presenting the terminal as /dev/ttyUSB<N> of an FTDI device,\n"
    "                     for FERRULE_TTY_SYSFS=DIR/sys FERRULE_TTY_DEV=DIR/dev\n"
    "  --description TEXT the USB product string (default: Quillon Shutter Controller)\n"
    "  --serial TEXT      the USB serial number (default: QSC00001)\n"
    "  --port N           the port number N, 0-99 (default 0); several simulators may\n"
    "                     share one DIR with different numbers\n"
    "  --exit-on-close    exit once the program using the terminal closes it (noticed\n"
    "                     from its first write on)\n";

std::optional<SimOptions> ParseOptions(const std::vector<std::string>& arguments,
                                       std::string* error) {
    SimOptions options;
    bool deviceOption = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        auto value = [&]() -> const std::string* {
            if (i + 1 >= arguments.size()) {
                *error = arg + " needs a value";
                return nullptr;
            }
            return &arguments[++i];
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--exit-on-close") {
            options.exitOnClose = true;
        } else if (arg == "--fake-sysfs" || arg == "--description" || arg == "--serial" ||
                   arg == "--port") {
            const std::string* text = value();
            if (text == nullptr) {
                return std::nullopt;
            }
            deviceOption = deviceOption || arg != "--fake-sysfs";
            if (arg == "--fake-sysfs") {
                options.fakeSysfs = *text;
            } else if (arg == "--description") {
                options.description = *text;
            } else if (arg == "--serial") {
                options.serial = *text;
            } else {
                char* end = nullptr;
                const long port = std::strtol(text->c_str(), &end, 10);
                if (text->empty() || *end != '\0' || port < 0 || port > 99) {
                    *error = "--port takes a number from 0 to 99";
                    return std::nullopt;
                }
                options.port = static_cast<int>(port);
            }
        } else {
            *error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (deviceOption && options.fakeSysfs.empty()) {
        *error = "--description, --serial and --port go with --fake-sysfs";
        return std::nullopt;
    }
    return options;
}

}  // namespace ptysim
