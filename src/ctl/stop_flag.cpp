#include "ctl/stop_flag.h"

#include <signal.h>

namespace ferrule::ctl {

namespace {

std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnStop(int) {
    g_stop.store(true);
}

}  // namespace

const std::atomic<bool>& InstallStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM}) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
            sigaction(signal, &action, nullptr);
        }
    }
    ::signal(SIGPIPE, SIG_IGN);
    return g_stop;
}

}  // namespace ferrule::ctl
