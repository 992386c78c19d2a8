// The devices on the virtual bus at start and after a reset.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fsim {

struct DeviceIdentity {
    std::string description;
    std::string serial;
};

inline constexpr const char* kDevicesVariable = "FERRULE_SIM_DEVICES";

// "desc1=serial1;desc2=serial2": entries split at ';', each at its last '='
// (an entry without one is a description with an empty serial number); empty
// entries are skipped, so an empty text is an empty bus.
std::vector<DeviceIdentity> ParseDeviceList(std::string_view text);

// The devices FERRULE_SIM_DEVICES names when it is set, otherwise one
// controller: "Quillon Shutter Controller", serial number "QSC00001".
std::vector<DeviceIdentity> DefaultBus();

}  // namespace fsim
