#include "sim_bus_config.h"

#include <cstdlib>

namespace fsim {

std::vector<DeviceIdentity> ParseDeviceList(std::string_view text) {
    std::vector<DeviceIdentity> devices;
    while (!text.empty()) {
        const size_t end = text.find(';');
        const std::string_view entry = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (entry.empty()) {
            continue;
        }
        const size_t equals = entry.rfind('=');
        if (equals == std::string_view::npos) {
            devices.push_back({std::string(entry), {}});
        } else {
            devices.push_back(
                {std::string(entry.substr(0, equals)), std::string(entry.substr(equals + 1))});
        }
    }
    return devices;
}

std::vector<DeviceIdentity> DefaultBus() {
    if (const char* text = std::getenv(kDevicesVariable)) {
        return ParseDeviceList(text);
    }
    return {{"Quillon Shutter Controller", "QSC00001"}};
}

}  // namespace fsim
