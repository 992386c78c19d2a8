// The simulated bus behind the D2XX entry points and the fsim_ control API:
// its devices, their handles, the clock, and the call log. One mutex guards
// all of it, because the host calls from a worker thread (its writes) while
// its GUI thread polls; a read that waits for bytes releases the mutex while
// it waits, and writes, injections and every other change wake it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "core/link/d2xx_types.h"
#include "sim_call_log.h"
#include "sim_clock.h"
#include "sim_device.h"

namespace fsim {

// D2XX's status for a bad argument.
inline constexpr FT_STATUS kInvalidParameter = 6;

class Simulator {
public:
    Simulator() { Reset(); }

    // The D2XX entry points.
    FT_STATUS Open(int index, FT_HANDLE* handle);
    FT_STATUS OpenEx(void* arg, DWORD flags, FT_HANDLE* handle);
    FT_STATUS ListDevices(void* arg1, void* arg2, DWORD flags);
    FT_STATUS Close(FT_HANDLE handle);
    FT_STATUS Write(FT_HANDLE handle, const void* buffer, DWORD count, DWORD* written);
    FT_STATUS Read(FT_HANDLE handle, void* buffer, DWORD count, DWORD* returned);
    FT_STATUS GetQueueStatus(FT_HANDLE handle, DWORD* waiting);
    FT_STATUS Purge(FT_HANDLE handle, ULONG mask);
    FT_STATUS SetTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs);
    FT_STATUS ResetDevice(FT_HANDLE handle);
    FT_STATUS SetBaudRate(FT_HANDLE handle, ULONG baud);
    FT_STATUS SetLatencyTimer(FT_HANDLE handle, UCHAR ms);
    FT_STATUS SetUSBParameters(FT_HANDLE handle, ULONG inSize, ULONG outSize);
    FT_STATUS SetDataCharacteristics(FT_HANDLE handle, UCHAR bits, UCHAR stop, UCHAR parity);
    FT_STATUS SetFlowControl(FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff);

    // The control API (fsim_control.h).
    void Reset();
    void ClearDevices();
    int AddDevice(const char* description, const char* serial);
    int DeviceCount();
    void SetProbeReply(int device, int mode, uint8_t otherFirstByte);
    void SetSilent(int device, bool silent);
    void Inject(int device, const uint8_t* bytes, uint32_t count);
    uint32_t Written(int device, uint8_t* buffer, uint32_t capacity);
    void ClearWritten(int device);
    uint32_t Calls(char* buffer, uint32_t capacity);
    void ClearCalls();
    void RecordCalls(bool on);
    void FailQueueStatus(int device, FT_STATUS status);
    void SetWriteStatus(int device, FT_STATUS status);
    void SetReadError(int device, FT_STATUS status, uint32_t count);
    void TriggerPulse(int device);
    void PowerUp(int device);
    void UseManualClock(bool on);
    void AdvanceUs(uint64_t us);
    uint64_t NowUs();

private:
    using Lock = std::unique_lock<std::mutex>;

    Device* Opened(FT_HANDLE handle);
    Device* At(int index);
    FT_STATUS OpenDevice(Device* device, FT_HANDLE* handle);
    // Calls that only check and record: the handle's status.
    FT_STATUS Accept(FT_HANDLE handle);
    // Until wakeUs (until something changes, when none): moves the manual
    // clock there, or waits in real time without holding the mutex.
    void WaitUntil(Lock& lock, std::optional<uint64_t> wakeUs);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    Clock m_clock;
    CallLog m_calls;
    std::vector<std::unique_ptr<Device>> m_devices;
    // Handle values are never reused, not even across resets.
    uintptr_t m_nextHandle = 0x1000;
};

// The one simulator of this library.
Simulator& TheSimulator();

}  // namespace fsim
