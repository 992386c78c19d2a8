// A fake sysfs tree and device folder in a test's temporary folder, laid out
// as the kernel lays out USB serial ports, which the serial back end is
// pointed at through FERRULE_TTY_SYSFS and FERRULE_TTY_DEV.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "temp_dir.h"

class FakeTree {
public:
    explicit FakeTree(const TempDir& dir) : m_sys(dir.File("sys")), m_dev(dir.File("dev")) {
        std::filesystem::create_directories(Bus());
        std::filesystem::create_directories(UsbBus());
        std::filesystem::create_directories(m_dev);
        setenv("FERRULE_TTY_SYSFS", m_sys.c_str(), 1);
        setenv("FERRULE_TTY_DEV", m_dev.c_str(), 1);
    }
    ~FakeTree() {
        unsetenv("FERRULE_TTY_SYSFS");
        unsetenv("FERRULE_TTY_DEV");
    }
    FakeTree(const FakeTree&) = delete;
    FakeTree& operator=(const FakeTree&) = delete;

    // A USB device sys/devices/usb1/<usb>, listed in sys/bus/usb/devices; an
    // attribute given as nothing is left out.
    void AddUsbDevice(const std::string& usb, std::optional<std::string> product,
                      std::optional<std::string> serial, const std::string& vendor = "0403") {
        const auto dir = UsbDir(usb);
        std::filesystem::create_directories(dir);
        std::error_code listed;
        std::filesystem::create_symlink(dir, UsbBus() / usb, listed);
        WriteFile(dir / "idVendor", vendor);
        WriteFile(dir / "idProduct", "6001");
        if (product) {
            WriteFile(dir / "product", *product);
        }
        if (serial) {
            WriteFile(dir / "serial", *serial);
        }
    }
    // The port <name> in interface <usb>:1.<interface> of a USB device, its
    // device node a link to nodeTarget (none when empty), bound to the named
    // driver (to none when empty). interface -1 leaves bInterfaceNumber out.
    std::filesystem::path AddPort(const std::string& usb, int interface, const std::string& name,
                                  const std::string& nodeTarget, const std::string& driver = "") {
        const auto interfaceDir =
            UsbDir(usb) / (usb + ":1." + std::to_string(interface < 0 ? 0 : interface));
        const auto port = interfaceDir / name;
        std::filesystem::create_directories(port);
        if (interface >= 0) {
            char number[16];
            std::snprintf(number, sizeof number, "%02x", interface);
            WriteFile(interfaceDir / "bInterfaceNumber", number);
        }
        WriteFile(port / "latency_timer", "16");
        std::filesystem::create_symlink(port, Bus() / name);
        if (!driver.empty()) {
            const auto driverDir = m_sys / "bus" / "usb-serial" / "drivers" / driver;
            std::filesystem::create_directories(driverDir);
            std::filesystem::create_symlink(driverDir, port / "driver");
        }
        if (!nodeTarget.empty()) {
            std::filesystem::create_symlink(nodeTarget, m_dev / name);
        }
        return port;
    }
    std::filesystem::path UsbDir(const std::string& usb) const {
        return m_sys / "devices" / "usb1" / usb;
    }
    std::filesystem::path Bus() const { return m_sys / "bus" / "usb-serial" / "devices"; }
    std::filesystem::path UsbBus() const { return m_sys / "bus" / "usb" / "devices"; }
    std::filesystem::path Sys() const { return m_sys; }
    std::filesystem::path Dev() const { return m_dev; }

    static void WriteFile(const std::filesystem::path& file, const std::string& text) {
        std::ofstream(file) << text << '\n';
    }

private:
    std::filesystem::path m_sys;
    std::filesystem::path m_dev;
};
