// The FTDI devices (USB vendor 0403) the kernel shows in sysfs: every USB
// device in <sysfs>/bus/usb/devices, with the interfaces of the FTDI ones,
// the driver bound to each, and the serial ports ftdi_sio made for them.
// Whatever could not be read is listed, never filled in.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ferrule {

inline constexpr const char* kFtdiVendorId = "0403";

struct UsbSerialPort {
    std::string name;              // ttyUSB<n>
    std::filesystem::path dir;     // its folder in sysfs
    std::optional<int> latencyMs;  // the latency timer, when read
};

struct UsbInterface {
    std::string name;    // "<device>:<configuration>.<interface>"
    std::string driver;  // the bound driver's name; empty for none
    std::vector<UsbSerialPort> ports;
};

struct FtdiDevice {
    std::string name;  // the USB device's name in sysfs, such as 1-1.2
    std::filesystem::path dir;
    std::string productId;    // idProduct
    std::string description;  // product; empty when it names none
    std::string serial;       // empty when it has none
    std::optional<int> busNumber, deviceNumber;
    std::vector<UsbInterface> interfaces;
    // A kernel driver of this name serves one of its interfaces.
    bool ServedBy(const std::string& driver) const;
    std::vector<const UsbSerialPort*> Ports() const;
};

struct UsbInventory {
    bool busRead = false;  // the bus folder could be listed
    int otherDevices = 0;  // USB devices of other vendors
    std::vector<FtdiDevice> ftdi;
    // "could not read ..." for each attribute that was wanted and not read.
    std::vector<std::string> unread;
};

UsbInventory ReadUsbInventory(const std::filesystem::path& sysfs);

}  // namespace ferrule
