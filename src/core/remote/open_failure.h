// Why a device did not open, in words that say what to do about it: not
// found, busy, or not permitted, from the driver's own reason where the
// library can tell (the bundled serial back end), from the status otherwise.
#pragma once

#include <string>

#include "core/link/d2xx_api.h"

namespace ferrule::remote {

// Call right after the failed open, on the thread that made it.
std::string DescribeOpenFailure(const D2xxApi& d2xx, FT_STATUS status, const std::string& device);

}  // namespace ferrule::remote
