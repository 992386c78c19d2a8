// The fifteen D2XX entry points. Compiled once per library variant: a
// variant built with FSIM_OMIT_<name> leaves that one entry point out, so the
// host's handling of a library that lacks it can be exercised.
#include "core/link/d2xx_entry_points.h"
#include "fsim_export.h"
#include "simulator.h"

// Every entry point of the list, so that each definition below must match it.
FERRULE_D2XX_DECLARE_EXPORTS()

using fsim::TheSimulator;

#ifndef FSIM_OMIT_FT_Write
FSIM_EXPORT FT_STATUS FT_Write(FT_HANDLE handle, void* buffer, DWORD count, DWORD* written) {
    return TheSimulator().Write(handle, buffer, count, written);
}
#endif

#ifndef FSIM_OMIT_FT_Read
FSIM_EXPORT FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, DWORD count, DWORD* returned) {
    return TheSimulator().Read(handle, buffer, count, returned);
}
#endif

#ifndef FSIM_OMIT_FT_Open
FSIM_EXPORT FT_STATUS FT_Open(int index, FT_HANDLE* handle) {
    return TheSimulator().Open(index, handle);
}
#endif

#ifndef FSIM_OMIT_FT_OpenEx
FSIM_EXPORT FT_STATUS FT_OpenEx(void* arg, DWORD flags, FT_HANDLE* handle) {
    return TheSimulator().OpenEx(arg, flags, handle);
}
#endif

#ifndef FSIM_OMIT_FT_ListDevices
FSIM_EXPORT FT_STATUS FT_ListDevices(void* arg1, void* arg2, DWORD flags) {
    return TheSimulator().ListDevices(arg1, arg2, flags);
}
#endif

#ifndef FSIM_OMIT_FT_Close
FSIM_EXPORT FT_STATUS FT_Close(FT_HANDLE handle) {
    return TheSimulator().Close(handle);
}
#endif

#ifndef FSIM_OMIT_FT_ResetDevice
FSIM_EXPORT FT_STATUS FT_ResetDevice(FT_HANDLE handle) {
    return TheSimulator().ResetDevice(handle);
}
#endif

#ifndef FSIM_OMIT_FT_Purge
FSIM_EXPORT FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask) {
    return TheSimulator().Purge(handle, mask);
}
#endif

#ifndef FSIM_OMIT_FT_SetTimeouts
FSIM_EXPORT FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) {
    return TheSimulator().SetTimeouts(handle, readMs, writeMs);
}
#endif

#ifndef FSIM_OMIT_FT_GetQueueStatus
FSIM_EXPORT FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, DWORD* waiting) {
    return TheSimulator().GetQueueStatus(handle, waiting);
}
#endif

#ifndef FSIM_OMIT_FT_SetBaudRate
FSIM_EXPORT FT_STATUS FT_SetBaudRate(FT_HANDLE handle, ULONG baud) {
    return TheSimulator().SetBaudRate(handle, baud);
}
#endif

#ifndef FSIM_OMIT_FT_SetLatencyTimer
FSIM_EXPORT FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, UCHAR ms) {
    return TheSimulator().SetLatencyTimer(handle, ms);
}
#endif

#ifndef FSIM_OMIT_FT_SetUSBParameters
FSIM_EXPORT FT_STATUS FT_SetUSBParameters(FT_HANDLE handle, ULONG inSize, ULONG outSize) {
    return TheSimulator().SetUSBParameters(handle, inSize, outSize);
}
#endif

#ifndef FSIM_OMIT_FT_SetDataCharacteristics
FSIM_EXPORT FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, UCHAR bits, UCHAR stop,
                                                UCHAR parity) {
    return TheSimulator().SetDataCharacteristics(handle, bits, stop, parity);
}
#endif

#ifndef FSIM_OMIT_FT_SetFlowControl
FSIM_EXPORT FT_STATUS FT_SetFlowControl(FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff) {
    return TheSimulator().SetFlowControl(handle, flow, xon, xoff);
}
#endif
