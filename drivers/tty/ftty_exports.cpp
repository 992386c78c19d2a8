// The fifteen D2XX entry points, and the reason the last open failed.
#include "core/link/d2xx_entry_points.h"
#include "core/link/ftty_open_error.h"
#include "ftty_export.h"
#include "tty_handles.h"
#include "tty_listing.h"
#include "tty_open_error.h"

// Every entry point of the list, so that each definition below must match it.
FERRULE_D2XX_DECLARE_EXPORTS()

using ftty::TheHandles;

namespace {

// Runs a call on the port behind a handle, or answers FT_INVALID_HANDLE.
template <typename Call>
FT_STATUS OnPort(FT_HANDLE handle, Call call) {
    const auto port = TheHandles().Find(handle);
    return port ? call(*port) : FT_INVALID_HANDLE;
}

}  // namespace

FTTY_EXPORT FT_STATUS FT_Write(FT_HANDLE handle, void* buffer, DWORD count, DWORD* written) {
    return OnPort(handle, [&](ftty::Port& port) { return port.Write(buffer, count, written); });
}

FTTY_EXPORT FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, DWORD count, DWORD* returned) {
    return OnPort(handle, [&](ftty::Port& port) { return port.Read(buffer, count, returned); });
}

FTTY_EXPORT FT_STATUS FT_Open(int index, FT_HANDLE* handle) {
    ftty::ClearOpenError();
    return ftty::OpenByIndex(index, handle);
}

FTTY_EXPORT FT_STATUS FT_OpenEx(void* arg, DWORD flags, FT_HANDLE* handle) {
    ftty::ClearOpenError();
    return ftty::OpenByText(arg, flags, handle);
}

FTTY_EXPORT FT_STATUS FT_ListDevices(void* arg1, void* arg2, DWORD flags) {
    return ftty::ListDevices(arg1, arg2, flags);
}

FTTY_EXPORT FT_STATUS FT_Close(FT_HANDLE handle) {
    return TheHandles().Close(handle) ? FT_OK : FT_INVALID_HANDLE;
}

// The kernel's driver resets the chip when the port opens; nothing more to do.
FTTY_EXPORT FT_STATUS FT_ResetDevice(FT_HANDLE handle) {
    return OnPort(handle, [](ftty::Port&) { return FT_OK; });
}

FTTY_EXPORT FT_STATUS FT_Purge(FT_HANDLE handle, ULONG mask) {
    return OnPort(handle, [&](ftty::Port& port) { return port.Purge(mask); });
}

FTTY_EXPORT FT_STATUS FT_SetTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) {
    return OnPort(handle, [&](ftty::Port& port) {
        port.SetTimeouts(readMs, writeMs);
        return FT_OK;
    });
}

FTTY_EXPORT FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, DWORD* waiting) {
    return OnPort(handle, [&](ftty::Port& port) { return port.QueueStatus(waiting); });
}

FTTY_EXPORT FT_STATUS FT_SetBaudRate(FT_HANDLE handle, ULONG baud) {
    return OnPort(handle, [&](ftty::Port& port) { return port.SetBaudRate(baud); });
}

FTTY_EXPORT FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, UCHAR ms) {
    return OnPort(handle, [&](ftty::Port& port) { return port.SetLatencyTimer(ms); });
}

// The kernel's driver chooses its own USB transfer sizes.
FTTY_EXPORT FT_STATUS FT_SetUSBParameters(FT_HANDLE handle, ULONG, ULONG) {
    return OnPort(handle, [](ftty::Port&) { return FT_OK; });
}

FTTY_EXPORT FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, UCHAR bits, UCHAR stop,
                                                UCHAR parity) {
    return OnPort(
        handle, [&](ftty::Port& port) { return port.SetDataCharacteristics(bits, stop, parity); });
}

FTTY_EXPORT FT_STATUS FT_SetFlowControl(FT_HANDLE handle, USHORT flow, UCHAR, UCHAR) {
    return OnPort(handle, [&](ftty::Port& port) { return port.SetFlowControl(flow); });
}

FTTY_EXPORT uint32_t ftty_last_open_error(char* text, uint32_t capacity) {
    return ftty::CopyOpenError(text, capacity);
}
