#include "core/protocol/message_names.h"

#include <cstdio>

#include "core/protocol/message_catalogue.h"

namespace ferrule {

namespace wire = controller;

namespace {

std::string Hex(uint8_t byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%.2X", byte);
    return text;
}

std::string SingleByte(uint8_t code) {
    switch (code) {
        case wire::kOpen:
            return "Open";
        case wire::kClose:
            return "Close";
        case wire::kStop:
            return "STOP";
        case wire::kStatus:
            return "Status";
        case wire::kPowerOn:
            return "Power On";
        case wire::kPowerOff:
            return "Power Off";
        case wire::kModeFast:
            return "Fast";
        case wire::kModeSoft:
            return "Soft";
        case wire::kOnline:
            return "OnLine";
        case wire::kReset:
            return "Reset";
        case wire::kInfo:
            return "Get Controller Info";
        default:
            break;
    }
    if ((code & 0xF0) == wire::kBlinkBase) {
        return "link test";
    }
    return "byte " + Hex(code);
}

// The BCD pairs of a timer as the time they stand for.
std::string TimerText(std::span<const uint8_t> b) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%d%d%d:%d", b[1] & 0x0F, b[2], b[3], b[4] >> 4,
                  b[4] & 0x0F, b[5] >> 4, b[5] & 0x0F);
    return text;
}

std::string Function(std::span<const uint8_t> b) {
    static const char* const kTrigger[] = {"Enable on High", "Enable on Low",
                                           "Trigger on Rising Edge", "Trigger on Falling Edge"};
    const uint8_t code = b[1];
    if (b.size() == 6 && (code & 0xF0) == wire::kClosedTimer) {
        return "closed time " + TimerText(b);
    }
    if (b.size() == 6 && (code & 0xF0) == wire::kExposureTimer) {
        return "exposure time " + TimerText(b);
    }
    if (b.size() == 4 && code == wire::kRepeat) {
        const int repeat = b[2] << 8 | b[3];
        return repeat == wire::kContinuous ? "repeat number Continuous"
                                           : "repeat number " + std::to_string(repeat);
    }
    switch (code) {
        case wire::kTriggerOff:
            return "trigger off";
        case wire::kSyncOff:
            return "SYNC off";
        case wire::kSyncFirst:
            return "SYNC High for Open";
        case wire::kSyncLast:
            return "SYNC Low for Open";
        case wire::kRestoreDefaults:
            return "Restore Default";
        case wire::kStoreConfig:
            return "Save CONFIG to Controller";
        case wire::kRunNone:
            return "no running option";
        case wire::kRunOnPowerUp:
            return "On Power Up";
        case wire::kRunOnTrigger:
            return "On Trigger Pulse";
        case wire::kRunGo:
            return "Go";
        default:
            break;
    }
    if (code >= wire::kTriggerFirst && code <= wire::kTriggerLast) {
        return std::string("trigger ") + kTrigger[code - wire::kTriggerFirst];
    }
    return "function " + Hex(code);
}

}  // namespace

std::string DescribeMessage(std::span<const uint8_t> bytes) {
    if (bytes.empty()) {
        return "nothing";
    }
    if (bytes[0] == wire::kModeNd && bytes.size() == 2) {
        return "Neutral Density, " + std::to_string(bytes[1]) + " steps";
    }
    if (bytes[0] == wire::kFunction && bytes.size() >= 2) {
        return Function(bytes);
    }
    if (bytes.size() == 1) {
        return SingleByte(bytes[0]);
    }
    if ((bytes[0] & 0xF0) == wire::kBlinkBase) {
        return "link test";
    }
    return std::to_string(bytes.size()) + " bytes";
}

}  // namespace ferrule
