#include "core/doctor/usb_inventory.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "core/doctor/sysfs_value.h"

namespace fs = std::filesystem;

namespace ferrule {
namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::optional<int> Number(const std::string& text, int base) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, base);
    if (text.empty() || *end != '\0' || value < 0 || value > 1'000'000) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

// An attribute every FTDI device has: one that is not read is told.
std::optional<std::string> Wanted(const fs::path& file, std::vector<std::string>* unread) {
    const SysfsValue value = ReadSysfsValue(file);
    if (!value.text) {
        unread->push_back(NotRead(file, value));
    }
    return value.text;
}

// An attribute a device may lack (product, serial): only one that exists and
// cannot be read is told.
std::string Optional(const fs::path& file, std::vector<std::string>* unread) {
    const SysfsValue value = ReadSysfsValue(file);
    if (!value.text && !value.missing) {
        unread->push_back(NotRead(file, value));
    }
    return value.text.value_or("");
}

std::string DriverName(const fs::path& dir) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(dir / "driver", ec);
    return ec ? std::string() : target.filename().string();
}

UsbSerialPort ReadPort(const fs::path& dir, std::vector<std::string>* unread) {
    UsbSerialPort port{dir.filename().string(), dir, std::nullopt};
    if (auto latency = Wanted(dir / "latency_timer", unread)) {
        port.latencyMs = Number(*latency, 10);
        if (!port.latencyMs) {
            unread->push_back("could not read " + (dir / "latency_timer").string() +
                              ": it holds \"" + *latency + "\", not a number of milliseconds");
        }
    }
    return port;
}

UsbInterface ReadInterface(const fs::path& dir, std::vector<std::string>* unread) {
    UsbInterface interface {
        dir.filename().string(), DriverName(dir), {}
    };
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (StartsWith(name, "ttyUSB") && it->is_directory(ec)) {
            interface.ports.push_back(ReadPort(it->path(), unread));
        }
    }
    std::sort(interface.ports.begin(), interface.ports.end(),
              [](const UsbSerialPort& a, const UsbSerialPort& b) { return a.name < b.name; });
    return interface;
}

FtdiDevice ReadFtdiDevice(const std::string& name, const fs::path& dir,
                          std::vector<std::string>* unread) {
    FtdiDevice device;
    device.name = name;
    device.dir = dir;
    device.productId = Wanted(dir / "idProduct", unread).value_or("");
    device.description = Optional(dir / "product", unread);
    device.serial = Optional(dir / "serial", unread);
    for (const char* attribute : {"busnum", "devnum"}) {
        const SysfsValue value = ReadSysfsValue(dir / attribute);
        if (value.text && !value.missing) {
            (attribute[0] == 'b' ? device.busNumber : device.deviceNumber) =
                Number(*value.text, 10);
        }
    }
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const std::string child = it->path().filename().string();
        if (StartsWith(child, name + ":") && it->is_directory(ec)) {
            device.interfaces.push_back(ReadInterface(it->path(), unread));
        }
    }
    std::sort(device.interfaces.begin(), device.interfaces.end(),
              [](const UsbInterface& a, const UsbInterface& b) { return a.name < b.name; });
    return device;
}

}  // namespace

bool FtdiDevice::ServedBy(const std::string& driver) const {
    return std::any_of(interfaces.begin(), interfaces.end(),
                       [&](const UsbInterface& i) { return i.driver == driver; });
}

std::vector<const UsbSerialPort*> FtdiDevice::Ports() const {
    std::vector<const UsbSerialPort*> ports;
    for (const UsbInterface& interface : interfaces) {
        for (const UsbSerialPort& port : interface.ports) {
            ports.push_back(&port);
        }
    }
    return ports;
}

UsbInventory ReadUsbInventory(const fs::path& sysfs) {
    UsbInventory inventory;
    const fs::path bus = sysfs / "bus" / "usb" / "devices";
    std::error_code ec;
    fs::directory_iterator it(bus, ec);
    if (ec) {
        inventory.unread.push_back("could not read " + bus.string() + ": " + ec.message());
        return inventory;
    }
    inventory.busRead = true;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.find(':') != std::string::npos) {
            continue;  // an interface, not a device
        }
        const fs::path dir = it->path();
        const SysfsValue vendor = ReadSysfsValue(dir / "idVendor");
        if (!vendor.text) {
            inventory.unread.push_back(NotRead(dir / "idVendor", vendor));
        } else if (*vendor.text == kFtdiVendorId) {
            std::error_code real;
            const fs::path canonical = fs::canonical(dir, real);
            inventory.ftdi.push_back(
                ReadFtdiDevice(name, real ? dir : canonical, &inventory.unread));
        } else {
            ++inventory.otherDevices;
        }
    }
    std::sort(inventory.ftdi.begin(), inventory.ftdi.end(),
              [](const FtdiDevice& a, const FtdiDevice& b) { return a.name < b.name; });
    return inventory;
}

}  // namespace ferrule
