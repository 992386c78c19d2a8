// Setting any baud rate on a serial port through termios2 and BOTHER, which
// the kernel's FTDI driver turns into the chip's divisor. Kept apart because
// the kernel's <asm/termbits.h> and the C library's <termios.h> cannot be
// included together.
#pragma once

#include <cstdint>

namespace ftty {

// 0 on success, else the errno of the failed call.
int SetPortBaudRate(int fd, uint32_t baud);

}  // namespace ftty
