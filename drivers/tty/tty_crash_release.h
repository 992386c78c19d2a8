// A port is exclusive (TIOCEXCL) for as long as its terminal is open anywhere,
// and another process may keep it open after this one has gone: the other
// side of a pseudo-terminal, or a program that had the port open before us.
// The kernel drops our flock when the process dies, but not that flag, which
// would then refuse the port to every user but root. Ports are shut in order
// by FT_Close, by unloading the library and at exit; for a crash, the
// descriptors of the exclusive ports are also recorded here, where a handler
// for the fatal signals finds them.
//
// The handlers (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) are installed when
// the first port is recorded, and removed when the library is unloaded if
// they are still the installed ones. Each clears the flag on every recorded
// port that this process opened (a fixed table of atomics and one ioctl per
// port, async-signal-safe), puts back the handler it found when it was
// installed, and passes the signal on to that handler or, where there was
// none, raises it again: the process ends as it would have without the
// library. The sanitizer runtimes (AddressSanitizer, ThreadSanitizer) are
// such earlier handlers, and keep reporting the crash.
#pragma once

namespace ftty {

// Records the descriptor of a port this process holds exclusively. Beyond
// the table's 64 ports, a port is not recorded and its flag outlives a crash.
void WatchExclusivePort(int fd);
void UnwatchExclusivePort(int fd);

}  // namespace ftty
