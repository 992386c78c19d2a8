// The fsim_ control API, exported by every variant of the library.
#include "sim/fsim_control.h"

#include "fsim_export.h"
#include "simulator.h"

using fsim::TheSimulator;

FSIM_EXPORT void fsim_reset(void) {
    TheSimulator().Reset();
}

FSIM_EXPORT void fsim_clear_devices(void) {
    TheSimulator().ClearDevices();
}

FSIM_EXPORT int fsim_add_device(const char* description, const char* serial) {
    return TheSimulator().AddDevice(description, serial);
}

FSIM_EXPORT int fsim_device_count(void) {
    return TheSimulator().DeviceCount();
}

FSIM_EXPORT void fsim_set_probe_reply(int device, int mode, uint8_t other_first_byte) {
    TheSimulator().SetProbeReply(device, mode, other_first_byte);
}

FSIM_EXPORT void fsim_set_silent(int device, int silent) {
    TheSimulator().SetSilent(device, silent != 0);
}

FSIM_EXPORT void fsim_inject(int device, const uint8_t* bytes, uint32_t count) {
    TheSimulator().Inject(device, bytes, count);
}

FSIM_EXPORT uint32_t fsim_written(int device, uint8_t* buffer, uint32_t capacity) {
    return TheSimulator().Written(device, buffer, capacity);
}

FSIM_EXPORT void fsim_clear_written(int device) {
    TheSimulator().ClearWritten(device);
}

FSIM_EXPORT uint32_t fsim_calls(char* buffer, uint32_t capacity) {
    return TheSimulator().Calls(buffer, capacity);
}

FSIM_EXPORT void fsim_clear_calls(void) {
    TheSimulator().ClearCalls();
}

FSIM_EXPORT void fsim_record_calls(int on) {
    TheSimulator().RecordCalls(on != 0);
}

FSIM_EXPORT void fsim_fail_queue_status(int device, uint32_t status) {
    TheSimulator().FailQueueStatus(device, status);
}

FSIM_EXPORT void fsim_set_write_status(int device, uint32_t status) {
    TheSimulator().SetWriteStatus(device, status);
}

FSIM_EXPORT void fsim_set_read_error(int device, uint32_t status, uint32_t count) {
    TheSimulator().SetReadError(device, status, count);
}

FSIM_EXPORT void fsim_trigger_pulse(int device) {
    TheSimulator().TriggerPulse(device);
}

FSIM_EXPORT void fsim_power_up(int device) {
    TheSimulator().PowerUp(device);
}

FSIM_EXPORT void fsim_use_manual_clock(int on) {
    TheSimulator().UseManualClock(on != 0);
}

FSIM_EXPORT void fsim_advance_us(uint64_t microseconds) {
    TheSimulator().AdvanceUs(microseconds);
}

FSIM_EXPORT uint64_t fsim_now_us(void) {
    return TheSimulator().NowUs();
}
