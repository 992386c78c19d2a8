// The bytes of the shutter controller's link protocol, as the controller sees
// them: the messages it accepts and the bytes it sends back on its own.
#pragma once

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
inline constexpr uint8_t kOnline = 0xEE;
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
inline constexpr uint8_t kTriggerLast = 0xA4;  // 0xA1-0xA4: the four input modes
inline constexpr uint8_t kSyncOff = 0xB0;
inline constexpr uint8_t kSyncLast = 0xB2;  // 0xB1 high for open, 0xB2 low for open
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

// Bytes the controller sends of its own accord.
// Completes every message that has no answer of its own, so that each n-byte
// message is answered by n + 1 bytes.
inline constexpr uint8_t kAck = 0x06;
// A carriage return: a free run, a reset or a restore has ended.
inline constexpr uint8_t kEnd = 0x0D;

}  // namespace ferrule::controller
