// The timer message: one of the two stored times as the controller takes it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/protocol/message_catalogue.h"
#include "core/timing/time_text.h"

namespace ferrule {

// The largest value each component can be sent with, by index: the hours
// share their byte with the timer code and must stay in its low nibble, the
// minutes and seconds go out as one binary byte each, and the milliseconds
// and tenths as BCD digits.
inline constexpr std::array<int, 5> kTimerFrameLimit{15, 255, 255, 999, 9};

// Why a time cannot be sent: which component, and whether it is below 0 or
// above its limit.
struct TimerFault {
    enum class Kind { Negative, TooLarge };
    std::size_t component;
    Kind kind;
};

// The first component that the message cannot carry, or none.
std::optional<TimerFault> CheckTimerTime(const TimeText& time);

// "The closed time cannot be sent to the controller: its milliseconds must
// be 0 to 999." for the time named `timer` ("closed", "exposure").
std::string DescribeTimerFault(std::string_view timer, const TimerFault& fault);

// 0xFA; the timer code (0x10 closed, 0x20 exposure) plus the hours; the
// minutes and the seconds in binary; the milliseconds' hundreds and tens,
// then their units and the tenths, as BCD digit pairs. Components are read
// by the leading-integer rule. A time that CheckTimerTime refuses gives no
// message: the hours would turn the closed timer's code into the exposure
// timer's (or the reverse) and a negative or oversized millisecond would
// make bytes that are not BCD.
std::optional<controller::Message> TimerFrame(uint8_t timerCode, const TimeText& time);

}  // namespace ferrule
