// A pseudo-terminal has no modem lines. A serial terminal that reads them
// after opening a port (CuteCom does, to show RTS and DTR) is told "Inappropriate
// ioctl for device", puts up a modal error box and closes the port again.
// Preloaded into such a terminal (LD_PRELOAD), this library answers the
// modem-line requests as a serial port without flow-control wiring would:
// reading them finds every line set, setting them succeeds. Every request is
// first passed on untouched; only those a pseudo-terminal refuses are
// answered here, so what the terminal does with its data is unchanged.
#include <dlfcn.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdarg>

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    using Ioctl = int (*)(int, unsigned long, ...);
    static const auto real = reinterpret_cast<Ioctl>(dlsym(RTLD_NEXT, "ioctl"));
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    const int result = real(fd, request, argument);
    if (result == -1 && errno == ENOTTY) {
        switch (request) {
            case TIOCMGET:
                *static_cast<int*>(argument) =
                    TIOCM_DTR | TIOCM_RTS | TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;
                return 0;
            case TIOCMSET:
            case TIOCMBIS:
            case TIOCMBIC:
                return 0;
            default:
                break;
        }
    }
    return result;
}
