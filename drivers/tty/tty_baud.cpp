#include "tty_baud.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace ftty {

int SetPortBaudRate(int fd, uint32_t baud) {
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return errno;
    }
    // The same speed both ways: output speed in CBAUD, input speed in CIBAUD.
    settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = baud;
    settings.c_ospeed = baud;
    if (ioctl(fd, TCSETS2, &settings) != 0) {
        return errno;
    }
    return 0;
}

}  // namespace ftty
