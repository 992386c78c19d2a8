// The line settings of a terminal as the kernel keeps them, read with
// TCGETS2 (kept apart: <asm/termbits.h> and <termios.h> clash).
#pragma once

#include <cstdint>

struct LineSpeed {
    bool read = false;       // TCGETS2 succeeded
    bool otherBaud = false;  // the output speed is given in c_ospeed (BOTHER)
    bool inputOtherBaud = false;
    uint32_t inputSpeed = 0;
    uint32_t outputSpeed = 0;
};

LineSpeed ReadLineSpeed(int fd);
