#include "core/link/d2xx_api.h"

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

template <typename Entry>
bool Bind(void* library, const char* name, Entry& entry) {
    entry = reinterpret_cast<Entry>(dlsym(library, name));
    return entry != nullptr;
}

}  // namespace

// A wrapper's call of the entry point `name` with these arguments, the
// handle read as it is.
#define FERRULE_D2XX_CALL(name, ...)            \
    Call(&D2xxTable::name, #name, Handle::Read, \
         [&](PFN_##name function) { return function(__VA_ARGS__); })

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
    Bind(m_hD2xx, "ftty_last_open_error", m_lastOpenError);
    // Bound in the list's order; the first missing name ends the binding and
    // leaves it and every later entry unresolved.
#define FERRULE_D2XX_BIND(name, parameters)                  \
    if (!Bind(m_hD2xx, #name, m_table.name)) {               \
        m_report("Error: Can't Find " + std::string(#name)); \
        return;                                              \
    }
    FERRULE_D2XX_ENTRY_POINTS(FERRULE_D2XX_BIND)
#undef FERRULE_D2XX_BIND
}

void D2xxApi::FreeLibrary() {
    std::lock_guard lock(m_handleMutex);
    if (m_hD2xx == nullptr) {
        return;
    }
    m_table = {};
    m_lastOpenError = nullptr;
    dlclose(m_hD2xx);
    m_hD2xx = nullptr;
    m_loadedPath.clear();
}

FT_STATUS D2xxApi::Unresolved(const char* name) {
    m_report(std::string(name) + " is not valid!");
    return FT_INVALID_HANDLE;
}

// Writes come from the link-test worker too: the handle cannot be closed
// under one.
FT_STATUS D2xxApi::Write(const void* buffer, DWORD count, DWORD* written) {
    m_writeCount.fetch_add(1, std::memory_order_relaxed);
    return Call(&D2xxTable::FT_Write, "FT_Write", Handle::Held, [&](PFN_FT_Write write) {
        return write(m_ftHandle, const_cast<void*>(buffer), count, written);
    });
}

FT_STATUS D2xxApi::Read(void* buffer, DWORD count, DWORD* returned) {
    return FERRULE_D2XX_CALL(FT_Read, m_ftHandle, buffer, count, returned);
}

// The calls that change the handle hold its mutex.
FT_STATUS D2xxApi::Open(int device) {
    return Call(&D2xxTable::FT_Open, "FT_Open", Handle::Held,
                [&](PFN_FT_Open open) { return open(device, &m_ftHandle); });
}

FT_STATUS D2xxApi::OpenEx(const std::string& text, DWORD flags) {
    return Call(&D2xxTable::FT_OpenEx, "FT_OpenEx", Handle::Held, [&](PFN_FT_OpenEx open) {
        return open(const_cast<char*>(text.c_str()), flags, &m_ftHandle);
    });
}

uint32_t D2xxApi::LastOpenError(std::string* text) const {
    text->clear();
    if (m_lastOpenError == nullptr) {
        return FTTY_OPEN_ERROR_NONE;
    }
    char reason[512] = {};
    const uint32_t category = m_lastOpenError(reason, sizeof reason);
    *text = reason;
    return category;
}

FT_STATUS D2xxApi::ListDevices(void* arg1, void* arg2, DWORD flags) {
    return FERRULE_D2XX_CALL(FT_ListDevices, arg1, arg2, flags);
}

FT_STATUS D2xxApi::Close() {
    return Call(&D2xxTable::FT_Close, "FT_Close", Handle::Held, [&](PFN_FT_Close close) {
        const FT_STATUS status = close(m_ftHandle);
        m_ftHandle = nullptr;
        return status;
    });
}

FT_STATUS D2xxApi::ResetDevice() {
    return FERRULE_D2XX_CALL(FT_ResetDevice, m_ftHandle);
}

FT_STATUS D2xxApi::Purge(ULONG mask) {
    return FERRULE_D2XX_CALL(FT_Purge, m_ftHandle, mask);
}

FT_STATUS D2xxApi::SetTimeouts(ULONG readTimeout, ULONG writeTimeout) {
    return FERRULE_D2XX_CALL(FT_SetTimeouts, m_ftHandle, readTimeout, writeTimeout);
}

FT_STATUS D2xxApi::GetQueueStatus(DWORD* waiting) {
    return FERRULE_D2XX_CALL(FT_GetQueueStatus, m_ftHandle, waiting);
}

FT_STATUS D2xxApi::SetBaudRate(ULONG baudRate) {
    return FERRULE_D2XX_CALL(FT_SetBaudRate, m_ftHandle, baudRate);
}

FT_STATUS D2xxApi::SetLatencyTimer(UCHAR milliseconds) {
    return FERRULE_D2XX_CALL(FT_SetLatencyTimer, m_ftHandle, milliseconds);
}

FT_STATUS D2xxApi::SetUSBParameters(ULONG inTransferSize, ULONG outTransferSize) {
    return FERRULE_D2XX_CALL(FT_SetUSBParameters, m_ftHandle, inTransferSize, outTransferSize);
}

}  // namespace ferrule
