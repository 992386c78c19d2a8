// The controller's status reply: what each of its twenty bytes means by its
// position, and the settings it writes. The reply has no check of its own;
// bytes are taken by position alone and out-of-range codes arithmetically.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/timing/time_text.h"

namespace ferrule {

inline constexpr int kStatusReplyLength = 20;

// What one byte of the reply stands for.
enum class StatusField {
    None,  // not decoded
    Shutter,
    Mode,
    NdSteps,
    Trigger,
    Sync,
    ClosedHours,
    ClosedMinutes,
    ClosedSeconds,
    ClosedMsHigh,
    ClosedMsLow,
    ExposureHours,
    ExposureMinutes,
    ExposureSeconds,
    ExposureMsHigh,
    ExposureMsLow,
    RunOption,
    RepeatHigh,
    RepeatLow,
};

// The field at `position` (1 to 20; byte 1 is the echoed request). From
// byte 4 on the layout follows the mode that byte 3 set: in Neutral Density
// (mode 2) the step count comes fourth and every later field one further on.
// In a mode above 2, which no control shows, the short layout is kept but the
// trigger input is skipped.
StatusField StatusReplyField(int position, int shutterMode);

// Where the settings a reply writes are kept: the panel's own fields, or a
// StatusValues of a reader outside it.
struct StatusSettings {
    int& shutter;              // 0 open, 1 closed
    int& shutterMode;          // 0 Fast, 1 Soft, 2 Neutral Density
    int& ndSteps;              // 0-255
    int& triggerMode;          // -1 off, else 0-3
    int& syncLevel;            // -1 off, 0 high for open, 1 low for open
    int& timerSelect;          // -1 when both timers read 0 hours bytes, 0 closed, 1 exposure
    int& freeRunOption;        // -1 none, 0 On Power Up, 1 On Trigger Pulse, 2 Go
    int& repeatCountHigh;      // the high byte, times 256
    std::string& repeatCount;  // "%d" of the repeat number
    std::string& cyclesLeft;   // a copy of the repeat number
    TimeText& closed;
    TimeText& exposure;
};

// Takes the byte at `position` into the settings and returns what it was.
StatusField TakeStatusByte(const StatusSettings& settings, int position, uint8_t byte);

// The settings as plain values, for readers of a whole reply.
struct StatusValues {
    int shutter = -1;
    int shutterMode = -1;
    int ndSteps = 0;
    int triggerMode = -1;
    int syncLevel = -1;
    int timerSelect = -1;
    int freeRunOption = -1;
    int repeatCountHigh = 0;
    std::string repeatCount;
    std::string cyclesLeft;
    TimeText closed;
    TimeText exposure;

    StatusSettings Bind() {
        return {shutter,       shutterMode,     ndSteps,     triggerMode, syncLevel, timerSelect,
                freeRunOption, repeatCountHigh, repeatCount, cyclesLeft,  closed,    exposure};
    }
};

// Reads a reply from its first byte on, as many bytes as there are (at most
// twenty are taken).
StatusValues ReadStatusReply(std::span<const uint8_t> reply);

}  // namespace ferrule
