#include "link/d2xx_api.h"

#include <dlfcn.h>
#include <link.h>

namespace ferrule {
namespace {

// Where the loader found the library: a bare name resolves to the file the
// library search picked.
std::string LibraryFile(void* library, const std::string& requested) {
    link_map* map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr &&
        *map->l_name != '\0') {
        return map->l_name;
    }
    return requested;
}

template <typename Fn>
bool Bind(void* library, const char* name, Fn& entry) {
    entry = reinterpret_cast<Fn>(dlsym(library, name));
    return entry != nullptr;
}

}  // namespace

D2xxApi::~D2xxApi() {
    FreeLibrary();
}

void D2xxApi::LoadD2xx(const std::string& libraryName) {
    LoadD2xx(std::vector<std::string>{libraryName});
}

void D2xxApi::LoadD2xx(const std::vector<std::string>& candidates) {
    for (const std::string& name : candidates) {
        m_hD2xx = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_hD2xx != nullptr) {
            m_loadedPath = LibraryFile(m_hD2xx, name);
            break;
        }
    }
    if (m_hD2xx == nullptr) {
        m_report("Error: Can't Load " + (candidates.empty() ? std::string() : candidates.front()));
        return;
    }
    // Optional, so bound first: the binding below stops at the first entry
    // point missing.
    Bind(m_hD2xx, "ftty_last_open_error", m_pLastOpenError);
    // Bound in this order; the first missing name ends the binding and leaves
    // it and every later entry unresolved.
#define FERRULE_BIND(name, member)                           \
    if (!Bind(m_hD2xx, #name, member)) {                     \
        m_report("Error: Can't Find " + std::string(#name)); \
        return;                                              \
    }
    FERRULE_BIND(FT_Write, m_pWrite)
    FERRULE_BIND(FT_Read, m_pRead)
    FERRULE_BIND(FT_Open, m_pOpen)
    FERRULE_BIND(FT_OpenEx, m_pOpenEx)
    FERRULE_BIND(FT_ListDevices, m_pListDevices)
    FERRULE_BIND(FT_Close, m_pClose)
    FERRULE_BIND(FT_ResetDevice, m_pResetDevice)
    FERRULE_BIND(FT_Purge, m_pPurge)
    FERRULE_BIND(FT_SetTimeouts, m_pSetTimeouts)
    FERRULE_BIND(FT_GetQueueStatus, m_pGetQueueStatus)
    FERRULE_BIND(FT_SetBaudRate, m_pSetBaudRate)
    FERRULE_BIND(FT_SetLatencyTimer, m_pSetLatencyTimer)
    FERRULE_BIND(FT_SetUSBParameters, m_pSetUSBParameters)
    FERRULE_BIND(FT_SetDataCharacteristics, m_pSetDataCharacteristics)
    FERRULE_BIND(FT_SetFlowControl, m_pSetFlowControl)
#undef FERRULE_BIND
}

void D2xxApi::FreeLibrary() {
    std::lock_guard lock(m_handleMutex);
    if (m_hD2xx == nullptr) {
        return;
    }
    m_pWrite = nullptr;
    m_pRead = nullptr;
    m_pOpen = nullptr;
    m_pOpenEx = nullptr;
    m_pListDevices = nullptr;
    m_pClose = nullptr;
    m_pResetDevice = nullptr;
    m_pPurge = nullptr;
    m_pSetTimeouts = nullptr;
    m_pGetQueueStatus = nullptr;
    m_pSetBaudRate = nullptr;
    m_pSetLatencyTimer = nullptr;
    m_pSetUSBParameters = nullptr;
    m_pSetDataCharacteristics = nullptr;
    m_pSetFlowControl = nullptr;
    m_pLastOpenError = nullptr;
    dlclose(m_hD2xx);
    m_hD2xx = nullptr;
    m_loadedPath.clear();
}

FT_STATUS D2xxApi::Unresolved(const char* name) {
    m_report(std::string(name) + " is not valid!");
    return FT_INVALID_HANDLE;
}

FT_STATUS D2xxApi::Write(const void* buffer, DWORD count, DWORD* written) {
    m_writeCount.fetch_add(1, std::memory_order_relaxed);
    std::unique_lock lock(m_handleMutex);
    if (m_pWrite == nullptr) {
        lock.unlock();
        return Unresolved("FT_Write");
    }
    return m_pWrite(m_ftHandle, const_cast<void*>(buffer), count, written);
}

FT_STATUS D2xxApi::Read(void* buffer, DWORD count, DWORD* returned) {
    if (m_pRead == nullptr) {
        return Unresolved("FT_Read");
    }
    return m_pRead(m_ftHandle, buffer, count, returned);
}

FT_STATUS D2xxApi::Open(int device) {
    if (m_pOpen == nullptr) {
        return Unresolved("FT_Open");
    }
    std::lock_guard lock(m_handleMutex);
    return m_pOpen(device, &m_ftHandle);
}

FT_STATUS D2xxApi::OpenEx(const std::string& text, DWORD flags) {
    if (m_pOpenEx == nullptr) {
        return Unresolved("FT_OpenEx");
    }
    std::lock_guard lock(m_handleMutex);
    return m_pOpenEx(const_cast<char*>(text.c_str()), flags, &m_ftHandle);
}

uint32_t D2xxApi::LastOpenError(std::string* text) const {
    text->clear();
    if (m_pLastOpenError == nullptr) {
        return FTTY_OPEN_ERROR_NONE;
    }
    char reason[512] = {};
    const uint32_t category = m_pLastOpenError(reason, sizeof reason);
    *text = reason;
    return category;
}

FT_STATUS D2xxApi::ListDevices(void* arg1, void* arg2, DWORD flags) {
    if (m_pListDevices == nullptr) {
        return Unresolved("FT_ListDevices");
    }
    return m_pListDevices(arg1, arg2, flags);
}

FT_STATUS D2xxApi::Close() {
    if (m_pClose == nullptr) {
        return Unresolved("FT_Close");
    }
    std::lock_guard lock(m_handleMutex);
    FT_STATUS status = m_pClose(m_ftHandle);
    m_ftHandle = nullptr;
    return status;
}

FT_STATUS D2xxApi::ResetDevice() {
    if (m_pResetDevice == nullptr) {
        return Unresolved("FT_ResetDevice");
    }
    return m_pResetDevice(m_ftHandle);
}

FT_STATUS D2xxApi::Purge(ULONG mask) {
    if (m_pPurge == nullptr) {
        return Unresolved("FT_Purge");
    }
    return m_pPurge(m_ftHandle, mask);
}

FT_STATUS D2xxApi::SetTimeouts(ULONG readTimeout, ULONG writeTimeout) {
    if (m_pSetTimeouts == nullptr) {
        return Unresolved("FT_SetTimeouts");
    }
    return m_pSetTimeouts(m_ftHandle, readTimeout, writeTimeout);
}

FT_STATUS D2xxApi::GetQueueStatus(DWORD* waiting) {
    if (m_pGetQueueStatus == nullptr) {
        return Unresolved("FT_GetQueueStatus");
    }
    return m_pGetQueueStatus(m_ftHandle, waiting);
}

FT_STATUS D2xxApi::SetBaudRate(ULONG baudRate) {
    if (m_pSetBaudRate == nullptr) {
        return Unresolved("FT_SetBaudRate");
    }
    return m_pSetBaudRate(m_ftHandle, baudRate);
}

FT_STATUS D2xxApi::SetLatencyTimer(UCHAR milliseconds) {
    if (m_pSetLatencyTimer == nullptr) {
        return Unresolved("FT_SetLatencyTimer");
    }
    return m_pSetLatencyTimer(m_ftHandle, milliseconds);
}

FT_STATUS D2xxApi::SetUSBParameters(ULONG inTransferSize, ULONG outTransferSize) {
    if (m_pSetUSBParameters == nullptr) {
        return Unresolved("FT_SetUSBParameters");
    }
    return m_pSetUSBParameters(m_ftHandle, inTransferSize, outTransferSize);
}

}  // namespace ferrule
