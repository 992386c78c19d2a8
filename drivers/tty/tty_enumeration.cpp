#include "tty_enumeration.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <system_error>

#include "tty_sysfs_attribute.h"

namespace fs = std::filesystem;

namespace ftty {
namespace {

constexpr std::string_view kPrefix = "ttyUSB";
// How far above the port the USB device may be looked for.
constexpr int kMaxLevelsUp = 4;

struct Found {
    TtyDevice device;
    unsigned long number = 0;
    fs::path usbDir;     // empty when no USB device was found above the port
    int interface = -1;  // -1 when unknown
};

// The n of ttyUSB<n>, if the name is one.
std::optional<unsigned long> PortNumber(const std::string& name) {
    if (name.size() <= kPrefix.size() || name.compare(0, kPrefix.size(), kPrefix) != 0) {
        return std::nullopt;
    }
    const std::string digits = name.substr(kPrefix.size());
    if (digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return std::strtoul(digits.c_str(), nullptr, 10);
}

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

// A port some other USB serial driver serves is not an FTDI device.
bool ServedByOtherDriver(const fs::path& portDir) {
    std::error_code ec;
    const fs::path driver = fs::read_symlink(portDir / "driver", ec);
    return !ec && driver.filename() != "ftdi_sio";
}

// The USB interface number: bInterfaceNumber (hexadecimal), else the last
// part of the interface's name, "<port>:<configuration>.<interface>".
int InterfaceNumber(const fs::path& interfaceDir) {
    if (auto text = ReadAttribute(interfaceDir / "bInterfaceNumber"); text && !text->empty()) {
        char* end = nullptr;
        long value = std::strtol(text->c_str(), &end, 16);
        if (*end == '\0' && value >= 0 && value < 256) {
            return static_cast<int>(value);
        }
    }
    const std::string name = interfaceDir.filename().string();
    const size_t dot = name.rfind('.');
    if (name.find(':') != std::string::npos && dot != std::string::npos && dot + 1 < name.size()) {
        char* end = nullptr;
        long value = std::strtol(name.c_str() + dot + 1, &end, 10);
        if (*end == '\0' && value >= 0 && value < 256) {
            return static_cast<int>(value);
        }
    }
    return -1;
}

// Finds the USB device and interface above a port. In sysfs the port sits in
// its interface ("1-2:1.0"), which sits in the USB device ("1-2"); a tree that
// does not follow that naming is searched upwards for the device's attributes.
void LocateUsbDevice(const fs::path& root, Found* found) {
    const fs::path interfaceDir = found->device.portDir.parent_path();
    if (interfaceDir.filename().string().find(':') != std::string::npos) {
        found->usbDir = interfaceDir.parent_path();
        found->interface = InterfaceNumber(interfaceDir);
        return;
    }
    fs::path below = found->device.portDir;
    fs::path dir = interfaceDir;
    for (int level = 0; level < kMaxLevelsUp && dir != root && dir != dir.root_path(); ++level) {
        if (Exists(dir / "idVendor") || Exists(dir / "product") || Exists(dir / "serial")) {
            found->usbDir = dir;
            if (below != found->device.portDir) {
                found->interface = InterfaceNumber(below);
            }
            return;
        }
        below = dir;
        dir = dir.parent_path();
    }
}

std::optional<Found> Inspect(const fs::path& root, const fs::directory_entry& entry,
                             const fs::path& devRoot) {
    const std::string name = entry.path().filename().string();
    const auto number = PortNumber(name);
    if (!number) {
        return std::nullopt;
    }
    std::error_code ec;
    const fs::path portDir = fs::canonical(entry.path(), ec);
    if (ec || !fs::is_directory(portDir, ec) || ServedByOtherDriver(portDir)) {
        return std::nullopt;
    }
    Found found;
    found.number = *number;
    found.device.name = name;
    found.device.node = devRoot / name;
    found.device.portDir = portDir;
    LocateUsbDevice(root, &found);
    if (!found.usbDir.empty()) {
        found.device.description = ReadAttribute(found.usbDir / "product").value_or("");
        found.device.serial = ReadAttribute(found.usbDir / "serial").value_or("");
    }
    return found;
}

// Gives each port of a multi-channel chip its channel letter.
void NameChannels(std::vector<Found>& ports) {
    std::map<fs::path, std::vector<Found*>> byUsbDevice;
    for (Found& port : ports) {
        if (!port.usbDir.empty()) {
            byUsbDevice[port.usbDir].push_back(&port);
        }
    }
    auto suffix = [](Found& port, int channel) {
        const char letter = static_cast<char>('A' + channel);
        port.device.description += std::string(" ") + letter;
        port.device.serial += letter;
    };
    for (auto& [usbDir, siblings] : byUsbDevice) {
        const bool known = std::all_of(siblings.begin(), siblings.end(), [](const Found* port) {
            return port->interface >= 0 && port->interface < 26;
        });
        const bool multiChannel = siblings.size() > 1 || (known && siblings[0]->interface > 0);
        if (!multiChannel) {
            continue;
        }
        // Without interface numbers the channels follow the port order.
        for (size_t i = 0; i < siblings.size(); ++i) {
            suffix(*siblings[i], known ? siblings[i]->interface : static_cast<int>(i % 26));
        }
    }
}

}  // namespace

std::vector<TtyDevice> EnumerateDevices(const fs::path& sysfsRoot, const fs::path& devRoot) {
    std::vector<Found> ports;
    std::error_code ec;
    const fs::path root = fs::weakly_canonical(sysfsRoot, ec);
    fs::directory_iterator it(sysfsRoot / "bus" / "usb-serial" / "devices", ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (auto found = Inspect(root, *it, devRoot)) {
            ports.push_back(std::move(*found));
        }
    }
    std::sort(ports.begin(), ports.end(),
              [](const Found& a, const Found& b) { return a.number < b.number; });
    NameChannels(ports);
    std::vector<TtyDevice> devices;
    devices.reserve(ports.size());
    for (Found& port : ports) {
        devices.push_back(std::move(port.device));
    }
    return devices;
}

}  // namespace ftty
