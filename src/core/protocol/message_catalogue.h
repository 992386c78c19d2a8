// Every message the panel sends to the shutter controller and every byte the
// controller sends of its own accord: the one vocabulary of the link, shared
// by the panel's commands, the reply decoder and the simulated controller.
// A message is a run of raw bytes written in one write, with no length, no
// checksum and no terminator.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ferrule::controller {

// Messages of one byte.
inline constexpr uint8_t kOpen = 0xAA;
inline constexpr uint8_t kClose = 0xAC;
inline constexpr uint8_t kStop = 0xBF;
inline constexpr uint8_t kStatus = 0xCC;
inline constexpr uint8_t kPowerOn = 0xCE;
inline constexpr uint8_t kPowerOff = 0xCF;
inline constexpr uint8_t kModeFast = 0xDC;
inline constexpr uint8_t kModeSoft = 0xDD;
inline constexpr uint8_t kOnline = 0xEE;  // also the probe after opening
inline constexpr uint8_t kReset = 0xFB;
inline constexpr uint8_t kInfo = 0xFD;

// Neutral density mode: followed by one byte, the step count.
inline constexpr uint8_t kModeNd = 0xDE;

// The prefix of the function messages; the function code follows.
inline constexpr uint8_t kFunction = 0xFA;
// Function codes. The timers carry the hours in the low nibble and four more
// bytes: minutes, seconds, and the milliseconds with their tenths in BCD.
inline constexpr uint8_t kClosedTimer = 0x10;
inline constexpr uint8_t kExposureTimer = 0x20;
inline constexpr uint8_t kTriggerOff = 0xA0;
inline constexpr uint8_t kTriggerFirst = 0xA1;  // 0xA1-0xA4: the four input modes
inline constexpr uint8_t kTriggerLast = 0xA4;
inline constexpr uint8_t kSyncOff = 0xB0;
inline constexpr uint8_t kSyncFirst = 0xB1;  // 0xB1 high for open, 0xB2 low for open
inline constexpr uint8_t kSyncLast = 0xB2;
inline constexpr uint8_t kRestoreDefaults = 0xC0;
inline constexpr uint8_t kStoreConfig = 0xC1;
// 0xF0 with two more bytes (high, low) is the repeat number; alone at the end
// of a write it selects no running option.
inline constexpr uint8_t kRepeat = 0xF0;
inline constexpr uint8_t kRunNone = 0xF0;
inline constexpr uint8_t kRunOnPowerUp = 0xF1;
inline constexpr uint8_t kRunOnTrigger = 0xF2;
inline constexpr uint8_t kRunGo = 0xF3;

// The repeat number that means "run until stopped".
inline constexpr uint16_t kContinuous = 0xFFFF;

// The link test's pattern: 0x40 plus the counter's low four bits.
inline constexpr uint8_t kBlinkBase = 0x40;
constexpr uint8_t BlinkPatternByte(unsigned counter) {
    return static_cast<uint8_t>(kBlinkBase | (counter & 0x0F));
}

// Bytes the controller sends of its own accord.
// Completes every message that has no answer of its own, so that each n-byte
// message is answered by n + 1 bytes.
inline constexpr uint8_t kAck = 0x06;
// A carriage return: a free run, a reset or a restore has ended.
inline constexpr uint8_t kEnd = 0x0D;

// One message, at most six bytes (a timer).
struct Message {
    std::array<uint8_t, 6> bytes{};
    size_t size = 0;

    uint8_t operator[](size_t i) const { return bytes[i]; }
    const uint8_t* data() const { return bytes.data(); }
    bool operator==(const Message&) const = default;
};

constexpr Message CommandMessage(uint8_t code) {
    return {{code}, 1};
}
constexpr Message FunctionMessage(uint8_t function) {
    return {{kFunction, function}, 2};
}
// The step count goes out as its low eight bits.
constexpr Message NdModeMessage(int steps) {
    return {{kModeNd, static_cast<uint8_t>(steps & 0xFF)}, 2};
}

// The panel's settings as the codes that set them, and the codes read back as
// settings. A field value of -1 means "off" or "none"; codes are taken
// arithmetically both ways, so a code out of range gives a value no control
// shows, and no code is refused.
constexpr uint8_t ShutterCode(int shutter) {
    return shutter == 0 ? kOpen : kClose;
}
constexpr int ShutterFromCode(uint8_t code) {
    return code == kOpen ? 0 : 1;
}
constexpr uint8_t ModeCode(int shutterMode) {
    return static_cast<uint8_t>(kModeFast + shutterMode);
}
constexpr int ModeFromCode(uint8_t code) {
    return code - kModeFast;
}
constexpr uint8_t SyncCode(int syncLevel) {
    return syncLevel == -1 ? kSyncOff : static_cast<uint8_t>(kSyncFirst + syncLevel);
}
constexpr int SyncLevelFromCode(uint8_t code) {
    return code == kSyncOff ? -1 : code - kSyncFirst;
}
constexpr uint8_t TriggerCode(int triggerMode) {
    return triggerMode == -1 ? kTriggerOff : static_cast<uint8_t>(kTriggerFirst + triggerMode);
}
constexpr int TriggerModeFromCode(uint8_t code) {
    return code == kTriggerOff ? -1 : code - kTriggerFirst;
}
constexpr uint8_t RunOptionCode(int freeRunOption) {
    return freeRunOption == -1 ? kRunNone : static_cast<uint8_t>(kRunOnPowerUp + freeRunOption);
}
constexpr int RunOptionFromCode(uint8_t code) {
    return code == kRunNone ? -1 : code - kRunOnPowerUp;
}

}  // namespace ferrule::controller
