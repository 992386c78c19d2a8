// A fake sysfs tree and device folder that present a pseudo-terminal as the
// FTDI serial port ttyUSB<n> of one USB device, laid out as the kernel lays
// out its own:
//   sys/bus/usb-serial/devices/ttyUSB<n> -> ../../../devices/.../1-<n+1>:1.0/ttyUSB<n>
//   sys/bus/usb/devices/1-<n+1>, 1-<n+1>:1.0 -> the USB device and its interface
//   sys/class/tty/ttyUSB<n> -> the port
//   sys/devices/.../1-<n+1>/{product,serial,manufacturer,idVendor,idProduct,busnum,devnum}
//   sys/devices/.../1-<n+1>:1.0/{bInterfaceNumber,driver}, .../ttyUSB<n>/{latency_timer,driver}
//     (both drivers are ftdi_sio, in sys/bus/usb/drivers and sys/bus/usb-serial/drivers)
//   dev/ttyUSB<n> -> the pseudo-terminal's slave
#pragma once

#include <filesystem>
#include <string>

namespace ptysim {

struct FakeDevice {
    std::string description;
    std::string serial;
    int port = 0;
};

// Writes the tree under dir (created as needed; an earlier device of the
// same number is replaced). On failure returns false and sets *error.
bool WriteFakeSysfs(const std::filesystem::path& dir, const FakeDevice& device,
                    const std::string& slavePath, std::string* error);
// Unplugs the device from the tree: its bus entry and device node go, so that
// it is no longer listed.
void RemoveFakeDevice(const std::filesystem::path& dir, const FakeDevice& device);

}  // namespace ptysim
