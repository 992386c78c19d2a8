// The settings the shutter controller keeps, held as the codes of the
// messages that set them, and the durations they stand for.
#pragma once

#include <array>
#include <cstdint>

#include "core/protocol/message_catalogue.h"

namespace ferrule {

// A timer as the timer message carries it: hours byte (0x10 or 0x20 plus the
// hours; 0 for a timer never set), minutes, seconds, then the milliseconds and
// tenths as two BCD bytes.
using ControllerTimer = std::array<uint8_t, 5>;

struct ControllerConfig {
    uint8_t mode = controller::kModeFast;  // 0xDC, 0xDD or 0xDE
    uint8_t ndSteps = 0;
    uint8_t trigger = controller::kTriggerOff;  // 0xA0-0xA4
    uint8_t sync = controller::kSyncOff;        // 0xB0-0xB2
    ControllerTimer closed{};
    ControllerTimer exposure{};
    uint8_t runOption = controller::kRunNone;  // 0xF0-0xF3
    uint16_t repeat = 1;

    bool operator==(const ControllerConfig&) const = default;
};

// The length of a timer in microseconds. Digits out of the BCD range are
// taken arithmetically, as the timer bytes were computed.
uint64_t ControllerTimerUs(const ControllerTimer& timer);

// One shutter movement in the configured mode: 12 ms fast, 70 ms soft, and
// 19/72 ms per step in neutral density, to the nearest microsecond.
uint64_t ControllerTransitionUs(const ControllerConfig& config);

}  // namespace ferrule
