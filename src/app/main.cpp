// Ferrule: bench utility for the Quillon shutter controller.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/shutter_panel_app.h"
#include "core/link/driver_choice.h"

namespace {

constexpr const char* kUsage =
    "Usage: ferrule [--simulate | --driver NAME-OR-PATH] [--profile PATH] [--record FILE]\n"
    "               [--serve [ADDR:PORT]]\n"
    "  --driver LIB      load this D2XX library: a path, a library name, or a\n"
    "                    bundled one, sim (simulated controller) or tty (the\n"
    "                    kernel's FTDI serial driver). Default: libftd2xx.so,\n"
    "                    and the bundled tty when that cannot be loaded\n"
    "  --simulate        the same as --driver sim\n"
    "  --profile PATH    keep the device choice in this file\n"
    "                    (default $XDG_CONFIG_HOME/ferrule.INI)\n"
    "  --record FILE     write a session record (CSV) of every exchange with the\n"
    "                    controller to FILE from the start\n"
    "  --exit-after MS   end the run after MS milliseconds, as EXIT would, and print\n"
    "                    the status line (for scripted checks)\n"
    "  --serve [ADDR:PORT]  take commands from scripts over a Unix socket in\n"
    "                    $XDG_RUNTIME_DIR (and on a TCP port, loopback only), as\n"
    "                    ferrule-ctl serve does; see ferrule-ctl(1)\n"
    "  --socket PATH     the Unix socket for --serve\n"
    "  --allow-remote    let --serve listen on an address other than loopback\n";

// The running program's own file, which the bundled drivers are found from.
std::filesystem::path OwnExecutable(const char* argv0) {
    std::error_code ignored;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ignored);
    if (self.empty()) {
        self = std::filesystem::absolute(argv0, ignored);
    }
    return self;
}

// Without a display the window system would abort the program; say so plainly.
bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform && std::string(platform).rfind("xcb", 0) != 0 &&
        std::string(platform).rfind("wayland", 0) != 0) {
        return true;
    }
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine line = ParseCommandLine(
        argc, argv, ferrule::BundledDriverFolders(OwnExecutable(argv[0])), DefaultProfilePath());
    if (line.showHelp) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!line.error.empty()) {
        std::fprintf(stderr, "ferrule: %s\n%s", line.error.c_str(), kUsage);
        return 2;
    }
    if (!HasDisplay()) {
        std::fputs(
            "ferrule: no display to show the panel on (neither DISPLAY nor WAYLAND_DISPLAY is "
            "set).\nStart it from a desktop session, or under a virtual display such as "
            "'xvfb-run ferrule --simulate'.\n",
            stderr);
        return 1;
    }
    CShutterPanelApp app(argc, argv);
    return app.Run(line.panel, line.exitAfterMs);
}
