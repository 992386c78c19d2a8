// Handles: opening, closing, and the calls that only configure the link.
#include "simulator.h"

namespace fsim {

Simulator& TheSimulator() {
    static Simulator simulator;
    return simulator;
}

namespace {

// Built when the library is loaded, so that the bus is read from the
// environment then.
const Simulator& g_loaded = TheSimulator();

}  // namespace

Device* Simulator::Opened(FT_HANDLE handle) {
    const auto value = reinterpret_cast<uintptr_t>(handle);
    if (value == 0) {
        return nullptr;
    }
    for (const auto& device : m_devices) {
        if (device->open.handle == value) {
            return device.get();
        }
    }
    return nullptr;
}

Device* Simulator::At(int index) {
    if (index < 0 || index >= static_cast<int>(m_devices.size())) {
        return nullptr;
    }
    return m_devices[index].get();
}

FT_STATUS Simulator::OpenDevice(Device* device, FT_HANDLE* handle) {
    if (handle == nullptr) {
        return kInvalidParameter;
    }
    if (device == nullptr) {
        return FT_DEVICE_NOT_FOUND;
    }
    if (device->open.handle != 0) {
        return FT_DEVICE_NOT_OPENED;
    }
    device->open = {};
    device->open.handle = m_nextHandle;
    m_nextHandle += 0x10;
    *handle = reinterpret_cast<FT_HANDLE>(device->open.handle);
    return FT_OK;
}

FT_STATUS Simulator::Open(int index, FT_HANDLE* handle) {
    Lock lock(m_mutex);
    m_calls.Add("FT_Open(%d)", index);
    return OpenDevice(At(index), handle);
}

FT_STATUS Simulator::OpenEx(void* arg, DWORD flags, FT_HANDLE* handle) {
    Lock lock(m_mutex);
    const char* text = static_cast<const char*>(arg);
    const bool byText = flags == FT_OPEN_BY_DESCRIPTION || flags == FT_OPEN_BY_SERIAL_NUMBER;
    if (!byText) {
        m_calls.Add("FT_OpenEx(?,%u)", flags);
        return kInvalidParameter;
    }
    if (text == nullptr) {
        m_calls.Add("FT_OpenEx(NULL,%u)", flags);
        return FT_DEVICE_NOT_FOUND;
    }
    m_calls.Add("FT_OpenEx(\"%s\",%u)", text, flags);
    for (const auto& device : m_devices) {
        const std::string& name =
            flags == FT_OPEN_BY_DESCRIPTION ? device->Description() : device->Serial();
        if (name == text) {
            return OpenDevice(device.get(), handle);
        }
    }
    return OpenDevice(nullptr, handle);
}

FT_STATUS Simulator::Close(FT_HANDLE handle) {
    Lock lock(m_mutex);
    m_calls.Add("FT_Close()");
    Device* device = Opened(handle);
    if (device == nullptr) {
        return FT_INVALID_HANDLE;
    }
    device->open = {};
    m_changed.notify_all();
    return FT_OK;
}

FT_STATUS Simulator::Accept(FT_HANDLE handle) {
    return Opened(handle) != nullptr ? FT_OK : FT_INVALID_HANDLE;
}

FT_STATUS Simulator::SetTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) {
    Lock lock(m_mutex);
    m_calls.Add("FT_SetTimeouts(%u,%u)", readMs, writeMs);
    Device* device = Opened(handle);
    if (device == nullptr) {
        return FT_INVALID_HANDLE;
    }
    device->open.readTimeoutMs = readMs;
    device->open.writeTimeoutMs = writeMs;
    return FT_OK;
}

FT_STATUS Simulator::ResetDevice(FT_HANDLE handle) {
    Lock lock(m_mutex);
    m_calls.Add("FT_ResetDevice()");
    return Accept(handle);
}

FT_STATUS Simulator::SetBaudRate(FT_HANDLE handle, ULONG baud) {
    Lock lock(m_mutex);
    m_calls.Add("FT_SetBaudRate(%u)", baud);
    return Accept(handle);
}

FT_STATUS Simulator::SetLatencyTimer(FT_HANDLE handle, UCHAR ms) {
    Lock lock(m_mutex);
    m_calls.Add("FT_SetLatencyTimer(%u)", unsigned{ms});
    return Accept(handle);
}

FT_STATUS Simulator::SetUSBParameters(FT_HANDLE handle, ULONG inSize, ULONG outSize) {
    Lock lock(m_mutex);
    m_calls.Add("FT_SetUSBParameters(%u,%u)", inSize, outSize);
    return Accept(handle);
}

FT_STATUS Simulator::SetDataCharacteristics(FT_HANDLE handle, UCHAR bits, UCHAR stop,
                                            UCHAR parity) {
    Lock lock(m_mutex);
    m_calls.Add("FT_SetDataCharacteristics(%u,%u,%u)", unsigned{bits}, unsigned{stop},
                unsigned{parity});
    return Accept(handle);
}

FT_STATUS Simulator::SetFlowControl(FT_HANDLE handle, USHORT flow, UCHAR xon, UCHAR xoff) {
    Lock lock(m_mutex);
    m_calls.Add("FT_SetFlowControl(%u,%u,%u)", unsigned{flow}, unsigned{xon}, unsigned{xoff});
    return Accept(handle);
}

}  // namespace fsim
