#include "core/doctor/link_doctor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/doctor/node_access.h"
#include "core/doctor/port_claimers.h"
#include "core/doctor/port_holders.h"
#include "core/doctor/usb_inventory.h"
#include "core/link/device_profile.h"
#include "core/link/ftty_open_error.h"

namespace fs = std::filesystem;

namespace ferrule {
namespace {

using Kind = LinkFinding::Kind;

// The latency the link is set up for; a longer one delays every reply.
constexpr int kLinkLatencyMs = 2;

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

class Examination {
public:
    Examination(const DoctorRoots& roots, const DoctorRequest& request)
        : m_roots(roots), m_request(request), m_user(CurrentUser()) {}

    std::vector<LinkFinding> Run();

private:
    void Add(Kind kind, std::string summary, std::string detail = {}, std::string fix = {}) {
        m_findings.push_back({kind, std::move(summary), std::move(detail), std::move(fix)});
    }
    bool ChoiceNamesADevice() const;
    std::vector<const FtdiDevice*> ChosenDevices(const UsbInventory& inventory) const;
    void CheckLastOpen();
    bool CheckPresence(const UsbInventory& inventory, std::vector<const FtdiDevice*>* chosen);
    void CheckDriver(const FtdiDevice& device);
    void CheckNode(const fs::path& node, const std::string& what);
    void CheckHolders(const fs::path& node);
    void CheckLatency(const UsbSerialPort& port);
    void CheckClaimers();
    void CheckUnread(const UsbInventory& inventory);

    const DoctorRoots& m_roots;
    const DoctorRequest& m_request;
    UserIdentity m_user;
    std::vector<LinkFinding> m_findings;
};

bool Examination::ChoiceNamesADevice() const {
    const DeviceChoice& choice = m_request.choice;
    if (choice.openBy == kOpenByDeviceNumber) {
        return true;
    }
    return !choice.text.empty() &&
           choice.text.find("Enter device Description") == std::string::npos;
}

// The devices the user's choice names, as the libraries name them (a channel
// of a multi-channel chip gets a letter after its description and serial).
std::vector<const FtdiDevice*> Examination::ChosenDevices(const UsbInventory& inventory) const {
    std::vector<const FtdiDevice*> chosen;
    const DeviceChoice& choice = m_request.choice;
    if (!ChoiceNamesADevice()) {
        for (const FtdiDevice& device : inventory.ftdi) {
            chosen.push_back(&device);
        }
        return chosen;
    }
    if (choice.openBy == kOpenByDeviceNumber) {
        const int number = choice.text.empty() ? 0 : std::atoi(choice.text.c_str());
        std::vector<std::pair<int, const FtdiDevice*>> ports;
        for (const FtdiDevice& device : inventory.ftdi) {
            for (const UsbSerialPort* port : device.Ports()) {
                ports.emplace_back(std::atoi(port->name.c_str() + 6), &device);
            }
        }
        std::sort(ports.begin(), ports.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        if (number >= 0 && static_cast<size_t>(number) < ports.size()) {
            chosen.push_back(ports[static_cast<size_t>(number)].second);
        } else if (ports.empty() && number >= 0 &&
                   static_cast<size_t>(number) < inventory.ftdi.size()) {
            chosen.push_back(&inventory.ftdi[static_cast<size_t>(number)]);
        }
        return chosen;
    }
    for (const FtdiDevice& device : inventory.ftdi) {
        const std::string& own =
            choice.openBy == kOpenByDescription ? device.description : device.serial;
        const bool channel =
            choice.text.size() > own.size() && choice.text.compare(0, own.size(), own) == 0 &&
            (choice.openBy == kOpenByDescription ? choice.text.size() == own.size() + 2
                                                 : choice.text.size() == own.size() + 1);
        if (!own.empty() && (own == choice.text || channel)) {
            chosen.push_back(&device);
        }
    }
    return chosen;
}

std::string DeviceLine(const FtdiDevice& device) {
    std::string line =
        device.name + ": " +
        (device.description.empty() ? "no description"
                                    : "description " + Quoted(device.description)) +
        ", " +
        (device.serial.empty() ? "no serial number" : "serial number " + Quoted(device.serial));
    if (!device.productId.empty()) {
        line += ", USB id 0403:" + device.productId;
    }
    return line;
}

void Examination::CheckLastOpen() {
    if (m_request.lastOpenError == FTTY_OPEN_ERROR_NONE || m_request.lastOpenReason.empty()) {
        return;
    }
    Add(Kind::Problem, "The last open failed: " + m_request.lastOpenReason + ".",
        "As the driver library reported it; what follows says why.");
}

bool Examination::CheckPresence(const UsbInventory& inventory,
                                std::vector<const FtdiDevice*>* chosen) {
    const fs::path bus = m_roots.sysfs / "bus" / "usb" / "devices";
    if (!inventory.busRead) {
        Add(Kind::Unreadable, "Which USB devices are attached could not be read.",
            inventory.unread.empty() ? bus.string() : inventory.unread.front(),
            "ls -l " + bus.string());
        return false;
    }
    if (inventory.ftdi.empty()) {
        Add(Kind::Problem, "No FTDI device is on USB.",
            std::to_string(inventory.otherDevices) +
                " other USB device(s) are attached, none with FTDI's vendor id 0403 (" +
                bus.string() + ").",
            "Plug the controller in, or try another cable or USB port; then check with:\n"
            "lsusb -d 0403:");
        return false;
    }
    *chosen = ChosenDevices(inventory);
    if (chosen->empty()) {
        std::string detail;
        for (const FtdiDevice& device : inventory.ftdi) {
            detail += (detail.empty() ? "" : "\n") + DeviceLine(device);
        }
        const char* methods[] = {"description", "serial number", "device number"};
        const int method = std::clamp(m_request.choice.openBy, 0, 2);
        Add(Kind::Problem,
            "An FTDI device is attached, but not the one Ferrule is set to open (" +
                std::string(methods[method]) + " " + Quoted(m_request.choice.text) + ").",
            detail,
            "Press Search, select the device in the list and press Open (or, on the command "
            "line, name it with its serial number)");
        return false;
    }
    for (const FtdiDevice* device : *chosen) {
        Add(Kind::Fine, "The device is attached.", DeviceLine(*device));
    }
    return true;
}

void Examination::CheckDriver(const FtdiDevice& device) {
    const bool servedBySerialDriver = device.ServedBy("ftdi_sio") || !device.Ports().empty();
    const std::string interface =
        device.interfaces.empty() ? device.name + ":1.0" : device.interfaces.front().name;
    if (m_request.driver == DriverKind::Vendor && servedBySerialDriver) {
        Add(Kind::Problem,
            "The kernel's serial driver (ftdi_sio) holds the device, so the vendor's D2XX "
            "library cannot open it.",
            "Interface " + interface + " is bound to ftdi_sio.",
            "ferrule --driver tty   (the bundled driver works through ftdi_sio)\n"
            "or free the device for the vendor's library:\n"
            "echo " +
                interface + " | sudo tee /sys/bus/usb/drivers/ftdi_sio/unbind");
        return;
    }
    if (m_request.driver == DriverKind::SerialPorts && !servedBySerialDriver) {
        std::string bound;
        for (const UsbInterface& i : device.interfaces) {
            if (!i.driver.empty()) {
                bound = i.driver;
            }
        }
        Add(Kind::Problem,
            "The kernel's serial driver (ftdi_sio) does not serve the device, so there is no "
            "/dev/ttyUSB port for the bundled tty driver to open.",
            "Interface " + interface + " is bound to " +
                (bound.empty() ? std::string("no driver") : bound) +
                " (the vendor's library detaches ftdi_sio while it has the device open).",
            "sudo modprobe ftdi_sio\n"
            "echo " +
                interface +
                " | sudo tee /sys/bus/usb/drivers/ftdi_sio/bind   "
                "(or replug the device)");
        return;
    }
    if (servedBySerialDriver && m_request.driver == DriverKind::SerialPorts) {
        Add(Kind::Fine, "The kernel's serial driver (ftdi_sio) serves the device.");
    }
}

void Examination::CheckNode(const fs::path& node, const std::string& what) {
    const NodeAccess access = InspectNode(node, m_roots.groupFile);
    if (!access.exists) {
        Add(Kind::Problem, what + " " + node.string() + " does not exist.",
            "sysfs lists the device, but udev has made no node for it.",
            "sudo udevadm trigger   (or replug the device)");
        return;
    }
    if (!access.problem.empty()) {
        Add(Kind::Unreadable, what + " " + node.string() + " could not be examined.",
            "stat: " + access.problem);
        return;
    }
    const std::string owners =
        "owner " + access.ownerName + ", group " + access.groupName + ", mode " + access.ModeText();
    if (access.readWrite) {
        Add(Kind::Fine, what + " " + node.string() + " is open to you (" + m_user.name + ").",
            owners);
        return;
    }
    const GroupMembership member = CheckMembership(m_user, access.group, m_roots.groupFile);
    const std::string rule = InstalledRule(m_roots, kPackageRuleName);
    std::string detail = owners + ".";
    std::string fix;
    const bool groupGrantsAccess = (access.mode & 060) == 060;
    if (member.now) {
        detail += "\nYou are in the group " + access.groupName +
                  (groupGrantsAccess ? "." : ", but the mode gives that group no access.");
    } else if (member.listed) {
        detail += "\nYou were added to the group " + access.groupName +
                  ", but this login started before that: a new group takes effect only at "
                  "the next login.";
        fix += "Log out and in again (or, in one terminal only: newgrp " + access.groupName + ")";
    } else {
        detail += "\nYou (" + m_user.name + ") are not in the group " + access.groupName + ".";
        if (access.group != 0 && groupGrantsAccess) {
            fix += "sudo adduser " + m_user.name + " " + access.groupName +
                   "   (then log out and in again)";
        }
    }
    if (!member.problem.empty()) {
        detail += "\nCould not read " + m_roots.groupFile.string() + ": " + member.problem + ".";
    }
    if (rule.empty()) {
        detail += "\nFerrule's udev rule (" + std::string(kPackageRuleName) +
                  ") is not installed: it opens FTDI devices to the user at the seat.";
        fix += std::string(fix.empty() ? "" : "\nor ") +
               "install it (it comes with the ferrule package):\n"
               "sudo install -m 644 packaging/" +
               kPackageRuleName +
               " /usr/lib/udev/rules.d/\n"
               "sudo udevadm control --reload && sudo udevadm trigger";
    } else {
        detail += "\nFerrule's udev rule is installed (" + rule +
                  "): it opens FTDI devices to the user at the seat, not to remote logins, "
                  "from the next plug-in on.";
        fix += std::string(fix.empty() ? "" : "\nor ") +
               "sudo udevadm trigger   (or replug the device)";
    }
    Add(Kind::Problem,
        what + " " + node.string() + " may not be opened by you (" + m_user.name + ").", detail,
        fix);
}

void Examination::CheckHolders(const fs::path& node) {
    const PortHolderScan scan = FindPortHolders(m_roots.proc, node);
    if (!scan.problem.empty()) {
        Add(Kind::Unreadable, "Which programs hold " + node.string() + " could not be read.",
            "could not read " + m_roots.proc.string() + ": " + scan.problem,
            "sudo fuser -v " + node.string());
        return;
    }
    bool othersHold = false;
    for (const PortHolder& holder : scan.holders) {
        if (holder.farEnd) {
            Add(Kind::Fine, node.string() + " is a pseudo-terminal whose other end is " +
                                holder.name + " (PID " + std::to_string(holder.pid) +
                                "): a simulated device, not another user of the port.");
            continue;
        }
        if (holder.pid == m_request.selfPid) {
            Add(Kind::Fine, node.string() + " is open in this program (PID " +
                                std::to_string(holder.pid) + ").");
            continue;
        }
        othersHold = true;
        Add(Kind::Problem,
            node.string() + " is held by another program: " + holder.name + " (PID " +
                std::to_string(holder.pid) + ").",
            "A serial port is one program's at a time.",
            "Close " + holder.name + ", or end it:\nkill " + std::to_string(holder.pid));
    }
    if (!othersHold && scan.unreadable > 0) {
        Add(Kind::Unreadable,
            "Whether another user's program holds " + node.string() + " could not be read.",
            std::to_string(scan.unreadable) +
                " process(es) of other users could not be looked into (only root may).",
            "sudo fuser -v " + node.string());
    } else if (!othersHold) {
        Add(Kind::Fine, "No other program holds " + node.string() + ".");
    }
}

void Examination::CheckLatency(const UsbSerialPort& port) {
    if (!port.latencyMs) {
        return;  // told with the attributes that could not be read
    }
    const std::string file = (port.dir / "latency_timer").string();
    if (*port.latencyMs <= kLinkLatencyMs) {
        Add(Kind::Fine, "The latency timer of " + port.name + " is " +
                            std::to_string(*port.latencyMs) + " ms.");
        return;
    }
    Add(Kind::Warning,
        "The latency timer of " + port.name + " is " + std::to_string(*port.latencyMs) +
            " ms: the controller's replies arrive up to " + std::to_string(*port.latencyMs) +
            " ms late.",
        "The bundled driver sets it to 2 ms when it opens the port, where it may write " + file +
            "; Ferrule's udev rule sets it at every plug-in.",
        "echo " + std::to_string(kLinkLatencyMs) + " | sudo tee " + file);
}

void Examination::CheckClaimers() {
    for (const PortClaimer& claimer : FindPortClaimers(m_roots)) {
        std::string detail;
        for (const std::string& evidence : claimer.evidence) {
            detail += (detail.empty() ? "" : "\n") + evidence;
        }
        if (claimer.name == "brltty") {
            Add(claimer.canClaim ? Kind::Warning : Kind::Fine,
                claimer.canClaim ? "brltty, the braille display daemon, is installed and can "
                                   "claim the adapter as a braille display."
                                 : "brltty is installed, but nothing makes it claim FTDI adapters.",
                detail,
                claimer.canClaim ? "sudo apt remove brltty   (if no braille display is used)\n"
                                   "or keep it off serial adapters:\n"
                                   "sudo systemctl mask brltty-udev.service"
                                 : "");
        } else {
            Add(claimer.canClaim ? Kind::Warning : Kind::Fine,
                claimer.canClaim ? "ModemManager is installed and probes new serial ports for "
                                   "modems, writing to the controller for seconds after it "
                                   "is plugged in."
                                 : "ModemManager is installed, but a udev rule keeps it off FTDI "
                                   "adapters.",
                detail,
                claimer.canClaim ? "sudo systemctl disable --now ModemManager   (if no modem is "
                                   "used)"
                                 : "");
        }
    }
}

void Examination::CheckUnread(const UsbInventory& inventory) {
    if (!inventory.busRead || inventory.unread.empty()) {
        return;
    }
    std::string detail;
    for (const std::string& line : inventory.unread) {
        detail += (detail.empty() ? "" : "\n") + line;
    }
    Add(Kind::Unreadable, "Some of what sysfs tells about USB devices could not be read.", detail);
}

std::vector<LinkFinding> Examination::Run() {
    if (m_request.driver == DriverKind::Simulator) {
        Add(Kind::Fine,
            "The simulated controller is in use: no USB device, port or permission is involved.");
        return m_findings;
    }
    CheckLastOpen();
    const UsbInventory inventory = ReadUsbInventory(m_roots.sysfs);
    std::vector<const FtdiDevice*> chosen;
    if (CheckPresence(inventory, &chosen)) {
        for (const FtdiDevice* device : chosen) {
            CheckDriver(*device);
            if (m_request.driver == DriverKind::Vendor) {
                if (device->busNumber && device->deviceNumber) {
                    char node[32];
                    std::snprintf(node, sizeof node, "bus/usb/%03d/%03d", *device->busNumber,
                                  *device->deviceNumber);
                    CheckNode(m_roots.dev / node, "The USB device node");
                }
                continue;
            }
            for (const UsbSerialPort* port : device->Ports()) {
                const fs::path node = m_roots.dev / port->name;
                CheckNode(node, "The serial port");
                CheckHolders(node);
                CheckLatency(*port);
            }
        }
    }
    CheckUnread(inventory);
    CheckClaimers();
    if (!AnythingInTheWay(m_findings)) {
        const bool unchecked =
            std::any_of(m_findings.begin(), m_findings.end(),
                        [](const LinkFinding& f) { return f.kind == Kind::Unreadable; });
        Add(Kind::Fine, unchecked ? "Nothing found stands between you and the controller, but "
                                    "not everything could be checked."
                                  : "Nothing found stands between you and the controller.");
    }
    return m_findings;
}

}  // namespace

DriverKind DriverKindOf(const std::string& loadedPath) {
    if (loadedPath.empty()) {
        return DriverKind::None;
    }
    const std::string file = fs::path(loadedPath).filename().string();
    auto named = [&](const char* stem) { return file.rfind(stem, 0) == 0; };
    if (named("libftd2xx")) {
        return DriverKind::Vendor;
    }
    if (named("libftty")) {
        return DriverKind::SerialPorts;
    }
    if (named("libfsim")) {
        return DriverKind::Simulator;
    }
    return DriverKind::Other;
}

std::vector<LinkFinding> DiagnoseLink(const DoctorRoots& roots, const DoctorRequest& request) {
    return Examination(roots, request).Run();
}

}  // namespace ferrule
