// Where the panel remembers its device choice: the open method and the last
// text used with each method.
#pragma once

#include <string_view>

namespace ferrule {

inline constexpr std::string_view kProfileSection = "MyFerruleAp";
inline constexpr std::string_view kOpenMethodKey = "SerDesc";
inline constexpr std::string_view kDevicePlaceholder =
    "Enter device Description or Serial Number here.";

inline constexpr int kOpenByDescription = 0;
inline constexpr int kOpenBySerialNumber = 1;
inline constexpr int kOpenByDeviceNumber = 2;

inline bool IsOpenMethod(int method) {
    return method >= 0 && method <= 2;
}

// The key holding the last text of an open method (0, 1 or 2).
inline std::string_view KeyForMethod(int method) {
    static constexpr std::string_view kKeys[] = {"DescString", "SerialString", "DevNmbr"};
    return kKeys[method];
}

}  // namespace ferrule
