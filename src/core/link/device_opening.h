// Finding, opening and probing the controller, without any window: which
// device the user's choice names, the link's configuration and the one-byte
// probe, the remembered identity brought up to date, and the list of
// attached devices. The front ends add what the user sees.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/link/d2xx_api.h"

namespace ferrule {

// What stops an open before the driver is asked.
enum class OpenRefusal {
    None,
    NoDeviceText,     // the placeholder is still there
    BadDeviceNumber,  // not a device number 0 to 64
};
inline constexpr const char* kNoDeviceTextMessage =
    "You must enter a Device Description or Serial Number.";
inline constexpr const char* kBadDeviceNumberMessage =
    "Select a method to open or enter a valid device number (0-64).";

struct OpenAttempt {
    FT_STATUS status = FT_OK;  // FT_DEVICE_NOT_OPENED when refused
    OpenRefusal refusal = OpenRefusal::None;
};

// Opens the device that `device` names by the method `openBy` (0 description,
// 1 serial number, 2 or -1 device number: empty is device 0, one or two
// characters read as a number up to 64).
OpenAttempt OpenSelectedDevice(D2xxApi& d2xx, int openBy, const std::string& device);

// The probe's outcome: the first byte back, or none at all.
struct ProbeResult {
    bool answered = false;
    uint8_t firstByte = 0;
    bool Succeeded() const;
    // " (0x%.2X)" of the byte that came back; nothing when none came.
    std::string Suffix() const;
};

// Configures the open link (reset, time-outs of 3 s, receive buffer purged,
// 2 ms latency, 128000 baud, 64-byte transfers) and sends the probe byte,
// reading the answer twice at most. From Open it waits 150 ms before the
// probe and 1 ms between the reads.
ProbeResult ConfigureAndProbe(D2xxApi& d2xx, bool fromOpen);

// The texts remembered for each open method, by method (0, 1, 2).
using RememberedTexts = std::array<std::string, 3>;
// Brings the remembered description, serial number and device number up to
// date from the device that matches the remembered choice; returns what
// changed, as (method, text) in the order found. A look-up that fails
// changes nothing.
std::vector<std::pair<int, std::string>> RefreshRememberedIdentity(
    D2xxApi& d2xx, int openBy, const RememberedTexts& remembered);

// The attached devices as Search lists them: the count line, then one line
// per device by the method's key (the device numbers, descriptions or serial
// numbers), or "ListDevices failed". countFailed: not even the count came.
struct DeviceSearch {
    bool countFailed = false;
    std::vector<std::string> lines;
};
DeviceSearch SearchDevices(D2xxApi& d2xx, int openBy);

}  // namespace ferrule
