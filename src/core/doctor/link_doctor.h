// The link doctor: what stands between the user and the controller, in plain
// words, each finding from evidence on this machine (sysfs, the device nodes,
// the user's groups, the udev rules and services installed, the processes
// running) and each with the command that fixes it. It changes nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/doctor/doctor_roots.h"
#include "core/doctor/link_finding.h"
#include "core/reconnect/device_choice.h"

namespace ferrule {

// Which kind of D2XX library is loaded.
enum class DriverKind {
    None,         // none loaded
    Vendor,       // the vendor's libftd2xx, which opens the USB device itself
    SerialPorts,  // the bundled libftty, over the kernel's ftdi_sio ports
    Simulator,    // the bundled simulated controller: no USB at all
    Other,
};
// From the loaded library's file (D2xxApi::LoadedPath); empty is None.
DriverKind DriverKindOf(const std::string& loadedPath);

struct DoctorRequest {
    // The device the user would open; a choice that names nothing yet (the
    // placeholder, an empty text) stands for any FTDI device.
    DeviceChoice choice;
    DriverKind driver = DriverKind::None;
    // Why the last open failed, where the library could tell
    // (D2xxApi::LastOpenError): an FTTY_OPEN_ERROR_ category and its reason.
    uint32_t lastOpenError = 0;
    std::string lastOpenReason;
    // This program's process, which may hold the port itself.
    int selfPid = 0;
};

std::vector<LinkFinding> DiagnoseLink(const DoctorRoots& roots, const DoctorRequest& request);

}  // namespace ferrule
