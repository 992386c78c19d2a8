// The device as the user named it when opening: the open method (0
// description, 1 serial number, 2 device number) and the text given with it.
#pragma once

#include <string>

#include "core/link/device_profile.h"

namespace ferrule {

struct DeviceChoice {
    int openBy = kOpenByDescription;
    std::string text;
    bool operator==(const DeviceChoice&) const = default;
};

}  // namespace ferrule
