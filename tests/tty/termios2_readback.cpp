#include "termios2_readback.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

LineSpeed ReadLineSpeed(int fd) {
    LineSpeed speed;
    struct termios2 settings {};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return speed;
    }
    speed.read = true;
    speed.otherBaud = (settings.c_cflag & CBAUD) == BOTHER;
    speed.inputOtherBaud = ((settings.c_cflag >> IBSHIFT) & CBAUD) == BOTHER;
    speed.inputSpeed = settings.c_ispeed;
    speed.outputSpeed = settings.c_ospeed;
    return speed;
}
