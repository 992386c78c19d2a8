// The FTDI serial ports the kernel offers, found in sysfs: each
// /sys/bus/usb-serial/devices/ttyUSB<n> bound to ftdi_sio (or to no driver a
// fake tree names), with the product string and serial number of the USB
// device it belongs to. A port of a multi-channel chip (an interface number
// above 0, or more than one port on one USB device) gets the channel letter,
// " A" after the description and "A" after the serial number, as the vendor's
// library names channels.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace ftty {

struct TtyDevice {
    std::string name;               // ttyUSB<n>
    std::filesystem::path node;     // the device node, under the dev root
    std::filesystem::path portDir;  // the port's sysfs folder (latency_timer)
    std::string description;        // empty when the USB device names none
    std::string serial;             // empty when the USB device has none
};

// Ports ordered by their number: ttyUSB2 before ttyUSB10.
std::vector<TtyDevice> EnumerateDevices(const std::filesystem::path& sysfsRoot,
                                        const std::filesystem::path& devRoot);

}  // namespace ftty
