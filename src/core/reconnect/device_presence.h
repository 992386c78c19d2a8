// Whether the device a lost link was open on is attached again, found through
// the loaded library's own listing, the way Search finds devices. Two devices
// of the same kind share their description, so the device is told apart by
// its serial number wherever that is known.
#pragma once

#include <optional>
#include <string>

#include "core/link/d2xx_api.h"
#include "core/reconnect/device_choice.h"

namespace ferrule {

// The device a link was open on: the user's choice, and the serial number of
// the device that choice named while the link was up (empty when unknown: no
// serial number, or the listing failed).
struct WatchedDevice {
    DeviceChoice choice;
    std::string serial;
};

// The serial number of the attached device that the choice names now, as the
// library would open it (the first device with the description, the device
// with the number); empty when it names none or the listing fails.
std::string SerialOfChosenDevice(D2xxApi& d2xx, const DeviceChoice& choice);

// Nothing when the watched device is not attached (or the listing fails);
// otherwise how to open it: the user's own choice where that names this very
// device, else its serial number (another device of the same kind, or one on
// the old device number, came first).
std::optional<DeviceChoice> LocateWatchedDevice(D2xxApi& d2xx, const WatchedDevice& device);

}  // namespace ferrule
