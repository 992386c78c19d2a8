// Why a D2XX-compatible library could not open a device: an optional entry
// point beside the fifteen. The bundled serial back end, libftty.so, exports
// ftty_last_open_error, which tells why the calling
// thread's last FT_Open or FT_OpenEx failed: it returns one of the categories
// below and copies a plain-words reason naming the device node, such as
// "/dev/ttyUSB0 is in use by another program", NUL-terminated and cut to
// capacity bytes (text may be null when capacity is 0). After an open that
// succeeded it returns FTTY_OPEN_ERROR_NONE and an empty text.
//
// Other D2XX libraries (the vendor's, the simulated controller) do not have
// the function: a program looks it up with dlsym and does without it.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    FTTY_OPEN_ERROR_NONE = 0,
    FTTY_OPEN_ERROR_NOT_FOUND = 1,       // no such device, or no node for it
    FTTY_OPEN_ERROR_PERMISSION = 2,      // the user may not open the node
    FTTY_OPEN_ERROR_BUSY = 3,            // another program (or this one) holds it
    FTTY_OPEN_ERROR_NOT_A_TERMINAL = 4,  // the node is no serial port
    FTTY_OPEN_ERROR_OTHER = 5,
};

uint32_t ftty_last_open_error(char* text, uint32_t capacity);
typedef uint32_t (*PFN_ftty_last_open_error)(char* text, uint32_t capacity);

#ifdef __cplusplus
}
#endif
