#include "core/protocol/status_reply.h"

#include <iterator>

#include "core/protocol/message_catalogue.h"

namespace ferrule {

namespace {

namespace wire = controller;

// The short layout, from byte 4 on.
StatusField ShortLayoutField(int position) {
    static constexpr StatusField kFields[] = {
        StatusField::None,             // 4
        StatusField::Trigger,          // 5
        StatusField::Sync,             // 6
        StatusField::ClosedHours,      // 7
        StatusField::ClosedMinutes,    // 8
        StatusField::ClosedSeconds,    // 9
        StatusField::ClosedMsHigh,     // 10
        StatusField::ClosedMsLow,      // 11
        StatusField::ExposureHours,    // 12
        StatusField::ExposureMinutes,  // 13
        StatusField::ExposureSeconds,  // 14
        StatusField::ExposureMsHigh,   // 15
        StatusField::ExposureMsLow,    // 16
        StatusField::RunOption,        // 17
        StatusField::RepeatHigh,       // 18
        StatusField::RepeatLow,        // 19
        StatusField::None,             // 20
    };
    constexpr int kFirst = 4;
    if (position < kFirst || position >= kFirst + static_cast<int>(std::size(kFields))) {
        return StatusField::None;
    }
    return kFields[position - kFirst];
}

// The milliseconds' hundreds and tens, two BCD digits; digits above 9 are
// taken arithmetically.
void TakeMsHigh(TimeText& time, uint8_t byte) {
    time[kMilliseconds] = std::to_string(((byte >> 4) * 10 + (byte & 0x0F)) * 10);
}

// The milliseconds' units are added to what the high byte gave; the tenths
// follow in the low digit.
void TakeMsLow(TimeText& time, uint8_t byte) {
    time[kMilliseconds] = std::to_string(ComponentValue(time, kMilliseconds) + (byte >> 4));
    time[kTenths] = std::to_string(byte & 0x0F);
}

}  // namespace

StatusField StatusReplyField(int position, int shutterMode) {
    switch (position) {
        case 2:
            return StatusField::Shutter;
        case 3:
            return StatusField::Mode;
        default:
            break;
    }
    if (shutterMode == 2) {
        if (position == 4) {
            return StatusField::NdSteps;
        }
        return position == 5 ? StatusField::None : ShortLayoutField(position - 1);
    }
    StatusField field = ShortLayoutField(position);
    if (field == StatusField::Trigger && shutterMode > 2) {
        return StatusField::None;
    }
    return field;
}

StatusField TakeStatusByte(const StatusSettings& s, int position, uint8_t byte) {
    const StatusField field = StatusReplyField(position, s.shutterMode);
    switch (field) {
        case StatusField::None:
            break;
        case StatusField::Shutter:
            s.shutter = wire::ShutterFromCode(byte);
            break;
        case StatusField::Mode:
            s.shutterMode = wire::ModeFromCode(byte);
            break;
        case StatusField::NdSteps:
            s.ndSteps = byte;
            break;
        case StatusField::Trigger:
            s.triggerMode = wire::TriggerModeFromCode(byte);
            break;
        case StatusField::Sync:
            s.syncLevel = wire::SyncLevelFromCode(byte);
            break;
        case StatusField::ClosedHours:
            s.closed[kHours] = std::to_string(byte & 0x0F);
            s.timerSelect = byte == 0 ? -1 : 0;
            break;
        case StatusField::ExposureHours:
            s.exposure[kHours] = std::to_string(byte & 0x0F);
            if (byte != 0) {
                s.timerSelect = 1;
            }
            break;
        case StatusField::ClosedMinutes:
            s.closed[kMinutes] = std::to_string(byte);
            break;
        case StatusField::ExposureMinutes:
            s.exposure[kMinutes] = std::to_string(byte);
            break;
        case StatusField::ClosedSeconds:
            s.closed[kSeconds] = std::to_string(byte);
            break;
        case StatusField::ExposureSeconds:
            s.exposure[kSeconds] = std::to_string(byte);
            break;
        case StatusField::ClosedMsHigh:
            TakeMsHigh(s.closed, byte);
            break;
        case StatusField::ExposureMsHigh:
            TakeMsHigh(s.exposure, byte);
            break;
        case StatusField::ClosedMsLow:
            TakeMsLow(s.closed, byte);
            break;
        case StatusField::ExposureMsLow:
            TakeMsLow(s.exposure, byte);
            break;
        case StatusField::RunOption:
            s.freeRunOption = wire::RunOptionFromCode(byte);
            break;
        case StatusField::RepeatHigh:
            s.repeatCountHigh = byte * 256;
            break;
        case StatusField::RepeatLow:
            s.repeatCount = std::to_string(s.repeatCountHigh + byte);
            s.cyclesLeft = s.repeatCount;
            break;
    }
    return field;
}

StatusValues ReadStatusReply(std::span<const uint8_t> reply) {
    StatusValues values;
    const StatusSettings settings = values.Bind();
    for (size_t i = 0; i < reply.size() && i < kStatusReplyLength; ++i) {
        TakeStatusByte(settings, static_cast<int>(i) + 1, reply[i]);
    }
    return values;
}

}  // namespace ferrule
