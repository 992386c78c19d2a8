#include "core/link/device_identity.h"

#include <cstring>

#include "core/common/leading_integer.h"
#include "core/link/device_listing.h"
#include "core/link/device_profile.h"

namespace ferrule {

namespace {

std::string TextByIndex(D2xxApi& d2xx, int index, DWORD by) {
    char buffer[DeviceListing::kBufferSize] = {};
    void* argument = reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<DWORD>(index)));
    if (d2xx.ListDevices(argument, buffer, FT_LIST_BY_INDEX | by) != FT_OK) {
        return {};
    }
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

}  // namespace

std::vector<DeviceIdentity> ListDeviceIdentities(D2xxApi& d2xx, bool* countFailed) {
    std::vector<DeviceIdentity> devices;
    DWORD count = 0;
    const bool failed = d2xx.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) != FT_OK;
    if (countFailed != nullptr) {
        *countFailed = failed;
    }
    if (failed) {
        return devices;
    }
    const int listed = std::min<int>(static_cast<int>(count), DeviceListing::kMaxDevices);
    for (int i = 0; i < listed; ++i) {
        devices.push_back({i, TextByIndex(d2xx, i, FT_OPEN_BY_DESCRIPTION),
                           TextByIndex(d2xx, i, FT_OPEN_BY_SERIAL_NUMBER)});
    }
    return devices;
}

std::optional<DeviceIdentity> FindDevice(const std::vector<DeviceIdentity>& devices, int openBy,
                                         const std::string& text) {
    for (const DeviceIdentity& device : devices) {
        const bool match = openBy == kOpenByDescription    ? device.description == text
                           : openBy == kOpenBySerialNumber ? device.serial == text
                                                           : device.index == LeadingInteger(text);
        if (match) {
            return device;
        }
    }
    return std::nullopt;
}

}  // namespace ferrule
