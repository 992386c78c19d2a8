// The simulator's main loop on the real clock: the program's bytes go to the
// controller as they arrive, and what the controller sends is written to the
// terminal when it has crossed the link, at the link's rate.
#pragma once

#include "pseudo_terminal.h"

namespace ptysim {

// Serves until a signal arrives on signalFd (a signalfd) or, with
// exitOnClose, until the program that opened the terminal has written to it
// and closed it again. Returns the exit code, 0 for both; 1 when the
// terminal fails.
int Serve(PseudoTerminal& terminal, bool exitOnClose, int signalFd);

}  // namespace ptysim
