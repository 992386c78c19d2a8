// SIGINT and SIGTERM set a flag that the waits and the server loop look at,
// so that the program ends in order: the device closed, the socket removed.
#pragma once

#include <atomic>

namespace ferrule::ctl {

// Installs the handlers (a signal ignored from the start stays ignored) and
// ignores SIGPIPE; returns the flag.
const std::atomic<bool>& InstallStopSignals();

}  // namespace ferrule::ctl
