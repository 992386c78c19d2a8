// Control API of the simulated shutter controller library. Tests and demos
// reach these functions with dlsym on the same library handle the program
// loads, so they act on the very bus the program talks to.
//
// Devices are addressed by their index on the virtual bus. Times are in
// microseconds of the simulator's clock.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Back to the start state: the default bus (one device, or the devices named
// by the FERRULE_SIM_DEVICES environment variable), all logs, faults and
// injected bytes cleared, real clock.
void fsim_reset(void);

// The virtual bus. fsim_add_device returns the new device's index.
void fsim_clear_devices(void);
int fsim_add_device(const char* description, const char* serial);
int fsim_device_count(void);

// How the controller answers the probe byte 0xEE.
enum { FSIM_PROBE_ECHO = 0, FSIM_PROBE_SILENT = 1, FSIM_PROBE_OTHER = 2 };
void fsim_set_probe_reply(int device, int mode, uint8_t other_first_byte);

// Silence: the controller receives but sends nothing back at all.
void fsim_set_silent(int device, int silent);

// Bytes placed in the host's receive queue as if the controller sent them
// (paced at the link rate like every other output).
void fsim_inject(int device, const uint8_t* bytes, uint32_t count);

// Everything the host wrote to a device since the last reset or clear, the
// most recent 4 MiB at most. Copies at most capacity bytes; returns the total
// count.
uint32_t fsim_written(int device, uint8_t* buffer, uint32_t capacity);
void fsim_clear_written(int device);

// Every D2XX call the library received, one line each, e.g.
// "FT_SetTimeouts(3000,3000)". Copies a NUL-terminated text of at most
// capacity bytes; returns the full length.
uint32_t fsim_calls(char* buffer, uint32_t capacity);
void fsim_clear_calls(void);
// Calls are logged only while recording is on; off at load and after
// fsim_reset. Format, decimal numbers, no spaces: FT_Open(0),
// FT_OpenEx("text",2), FT_ListDevices(NUMBER_ONLY),
// FT_ListDevices(ALL|BY_DESCRIPTION), FT_ListDevices(BY_INDEX|BY_SERIAL_NUMBER,3),
// FT_ListDevices(0x%X) for other flags, FT_Close(), FT_Write(n), FT_Read(n),
// FT_SetTimeouts(3000,3000), and so on for the others. Calls on an invalid
// handle are logged too.
void fsim_record_calls(int on);

// Fault injection; status 0 removes the fault. FT_GetQueueStatus returns the
// queue-status fault; a write returns the write status, delivers nothing and
// reports 0 bytes written.
void fsim_fail_queue_status(int device, uint32_t status);
void fsim_set_write_status(int device, uint32_t status);
// The next FT_Read returns this status at once, with at most count of the
// bytes that have arrived.
void fsim_set_read_error(int device, uint32_t status, uint32_t count);

// A pulse on the controller's trigger input.
void fsim_trigger_pulse(int device);

// Power applied to the controller: it loads its stored configuration, closes
// the shutter, and starts a free run if its running option is On Power Up.
void fsim_power_up(int device);

// Manual clock: when on, time moves only by fsim_advance_us and by reads that
// wait for their time-out. FT_Read never blocks in real time then.
void fsim_use_manual_clock(int on);
void fsim_advance_us(uint64_t microseconds);
uint64_t fsim_now_us(void);

#ifdef __cplusplus
}
#endif
