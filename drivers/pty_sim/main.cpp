// ferrule-sim: the simulated shutter controller behind a pseudo-terminal.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fake_sysfs.h"
#include "pseudo_terminal.h"
#include "serve_loop.h"
#include "sim_options.h"

int main(int argc, char** argv) {
    std::string error;
    const auto options =
        ptysim::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!options) {
        std::fprintf(stderr, "ferrule-sim: %s\n%s", error.c_str(), ptysim::kUsage);
        return 2;
    }
    if (options->help) {
        std::fputs(ptysim::kUsage, stdout);
        return 0;
    }

    // The stop signals are taken in the loop, so that the simulator ends in
    // order (and unplugs its fake device) with exit code 0.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    const int signalFd = signalfd(-1, &stop, SFD_CLOEXEC);
    signal(SIGPIPE, SIG_IGN);
    if (signalFd < 0) {
        std::perror("ferrule-sim: signalfd");
        return 1;
    }

    ptysim::PseudoTerminal terminal;
    if (!terminal.Create(&error)) {
        std::fprintf(stderr, "ferrule-sim: %s\n", error.c_str());
        return 1;
    }
    const ptysim::FakeDevice device{options->description, options->serial, options->port};
    if (!options->fakeSysfs.empty()) {
        if (!ptysim::WriteFakeSysfs(options->fakeSysfs, device, terminal.SlavePath(), &error)) {
            std::fprintf(stderr, "ferrule-sim: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "ferrule-sim: FERRULE_TTY_SYSFS=%s/sys FERRULE_TTY_DEV=%s/dev\n",
                     options->fakeSysfs.c_str(), options->fakeSysfs.c_str());
    }
    // The one line a caller waits for: the device is ready once it is out.
    std::printf("%s\n", terminal.SlavePath().c_str());
    std::fflush(stdout);

    const int code = ptysim::Serve(terminal, options->exitOnClose, signalFd);
    if (!options->fakeSysfs.empty()) {
        ptysim::RemoveFakeDevice(options->fakeSysfs, device);
    }
    close(signalFd);
    return code;
}
