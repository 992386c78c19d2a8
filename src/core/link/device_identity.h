// Who the attached devices are: each one's number, description and serial
// number, as the driver lists them; and which of them a choice names.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/link/d2xx_api.h"

namespace ferrule {

struct DeviceIdentity {
    int index = 0;
    std::string description;
    std::string serial;
};

// Every attached device the driver lists (at most 63); nothing when even the
// count fails. *countFailed tells the two apart where it is given.
std::vector<DeviceIdentity> ListDeviceIdentities(D2xxApi& d2xx, bool* countFailed = nullptr);

// The listed device that `text` names by the open method (0 description,
// 1 serial number, 2 device number).
std::optional<DeviceIdentity> FindDevice(const std::vector<DeviceIdentity>& devices, int openBy,
                                         const std::string& text);

}  // namespace ferrule
