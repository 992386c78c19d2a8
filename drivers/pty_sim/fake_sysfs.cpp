#include "fake_sysfs.h"

#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace ptysim {
namespace {

std::string PortName(const FakeDevice& device) {
    return "ttyUSB" + std::to_string(device.port);
}

// The USB device's path below sys/devices.
fs::path UsbDevicePath(const FakeDevice& device) {
    return fs::path("pci0000:00") / "0000:00:14.0" / "usb1" /
           ("1-" + std::to_string(device.port + 1));
}

bool WriteFile(const fs::path& file, const std::string& text, std::string* error) {
    std::ofstream out(file, std::ios::trunc);
    out << text << '\n';
    if (!out) {
        *error = "cannot write " + file.string();
        return false;
    }
    return true;
}

bool Link(const fs::path& target, const fs::path& link, std::string* error) {
    std::error_code ec;
    fs::remove(link, ec);
    fs::create_symlink(target, link, ec);
    if (ec) {
        *error = "cannot link " + link.string() + ": " + ec.message();
        return false;
    }
    return true;
}

// The folder's full path, for a link that must work from anywhere in the tree.
fs::path Real(const fs::path& folder) {
    std::error_code ec;
    const fs::path real = fs::canonical(folder, ec);
    return ec ? folder : real;
}

}  // namespace

bool WriteFakeSysfs(const fs::path& dir, const FakeDevice& device, const std::string& slavePath,
                    std::string* error) {
    const std::string name = PortName(device);
    const fs::path usb = dir / "sys" / "devices" / UsbDevicePath(device);
    const fs::path interface = usb / (usb.filename().string() + ":1.0");
    const fs::path port = interface / name;
    const fs::path bus = dir / "sys" / "bus" / "usb-serial" / "devices";
    const fs::path usbBus = dir / "sys" / "bus" / "usb" / "devices";
    const fs::path serialDriver = dir / "sys" / "bus" / "usb-serial" / "drivers" / "ftdi_sio";
    const fs::path usbDriver = dir / "sys" / "bus" / "usb" / "drivers" / "ftdi_sio";
    const fs::path ttyClass = dir / "sys" / "class" / "tty";
    const fs::path devices = fs::path("../../../devices") / UsbDevicePath(device);
    std::error_code ec;
    for (const fs::path& folder :
         {port, bus, usbBus, serialDriver, usbDriver, ttyClass, dir / "dev"}) {
        fs::create_directories(folder, ec);
        if (ec) {
            *error = "cannot create " + folder.string() + ": " + ec.message();
            return false;
        }
    }
    return WriteFile(usb / "product", device.description, error) &&
           WriteFile(usb / "serial", device.serial, error) &&
           WriteFile(usb / "manufacturer", "Quillon", error) &&
           WriteFile(usb / "idVendor", "0403", error) &&
           WriteFile(usb / "idProduct", "6001", error) && WriteFile(usb / "busnum", "1", error) &&
           WriteFile(usb / "devnum", std::to_string(device.port + 2), error) &&
           WriteFile(interface / "bInterfaceNumber", "00", error) &&
           WriteFile(port / "latency_timer", "16", error) &&
           Link(Real(usbDriver), interface / "driver", error) &&
           Link(Real(serialDriver), port / "driver", error) &&
           Link(devices, usbBus / usb.filename(), error) &&
           Link(devices / interface.filename(), usbBus / interface.filename(), error) &&
           Link(fs::path("../..") / "devices" / UsbDevicePath(device) / interface.filename() / name,
                ttyClass / name, error) &&
           Link(devices / interface.filename() / name, bus / name, error) &&
           Link(slavePath, dir / "dev" / name, error);
}

void RemoveFakeDevice(const fs::path& dir, const FakeDevice& device) {
    const std::string name = PortName(device);
    const std::string usb = UsbDevicePath(device).filename().string();
    std::error_code ec;
    fs::remove(dir / "sys" / "bus" / "usb-serial" / "devices" / name, ec);
    fs::remove(dir / "sys" / "bus" / "usb" / "devices" / usb, ec);
    fs::remove(dir / "sys" / "bus" / "usb" / "devices" / (usb + ":1.0"), ec);
    fs::remove(dir / "sys" / "class" / "tty" / name, ec);
    fs::remove(dir / "dev" / name, ec);
}

}  // namespace ptysim
