// FT_ListDevices: the device count, one device's description or serial
// number, or all of them.
#include <algorithm>
#include <cstring>
#include <string>

#include "simulator.h"

namespace fsim {

namespace {

// Listed texts fit the host's 64-byte buffers.
constexpr size_t kListedChars = 63;

void CopyListed(const std::string& text, char* buffer) {
    const size_t n = std::min(text.size(), kListedChars);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

const std::string& Listed(const Device& device, bool bySerial) {
    return bySerial ? device.Serial() : device.Description();
}

const char* OpenByName(DWORD flags) {
    return (flags & FT_OPEN_BY_SERIAL_NUMBER) ? "BY_SERIAL_NUMBER" : "BY_DESCRIPTION";
}

}  // namespace

FT_STATUS Simulator::ListDevices(void* arg1, void* arg2, DWORD flags) {
    Lock lock(m_mutex);
    const auto count = static_cast<DWORD>(m_devices.size());
    const DWORD openBy = flags & ~(FT_LIST_BY_INDEX | FT_LIST_ALL);
    const bool textFlags = openBy == FT_OPEN_BY_DESCRIPTION || openBy == FT_OPEN_BY_SERIAL_NUMBER;
    const bool bySerial = openBy == FT_OPEN_BY_SERIAL_NUMBER;

    if (flags == FT_LIST_NUMBER_ONLY) {
        m_calls.Add("FT_ListDevices(NUMBER_ONLY)");
        if (arg1 == nullptr) {
            return kInvalidParameter;
        }
        *static_cast<DWORD*>(arg1) = count;
        return FT_OK;
    }
    if (textFlags && (flags & ~openBy) == FT_LIST_BY_INDEX) {
        const auto index = static_cast<DWORD>(reinterpret_cast<uintptr_t>(arg1));
        m_calls.Add("FT_ListDevices(BY_INDEX|%s,%u)", OpenByName(flags), index);
        if (index >= count) {
            return FT_DEVICE_NOT_FOUND;
        }
        if (arg2 == nullptr) {
            return kInvalidParameter;
        }
        CopyListed(Listed(*m_devices[index], bySerial), static_cast<char*>(arg2));
        return FT_OK;
    }
    if (textFlags && (flags & ~openBy) == FT_LIST_ALL) {
        m_calls.Add("FT_ListDevices(ALL|%s)", OpenByName(flags));
        if (arg1 == nullptr || arg2 == nullptr) {
            return kInvalidParameter;
        }
        char** table = static_cast<char**>(arg1);
        for (DWORD i = 0; i < count && table[i] != nullptr; ++i) {
            CopyListed(Listed(*m_devices[i], bySerial), table[i]);
        }
        *static_cast<DWORD*>(arg2) = count;
        return FT_OK;
    }
    m_calls.Add("FT_ListDevices(0x%X)", flags);
    return kInvalidParameter;
}

}  // namespace fsim
