// The timer message: one of the two stored times as the controller takes it.
#pragma once

#include <cstdint>

#include "protocol/message_catalogue.h"
#include "timing/time_text.h"

namespace ferrule {

// 0xFA; the timer code (0x10 closed, 0x20 exposure) plus the hours; the
// minutes and the seconds in binary; the milliseconds' hundreds and tens,
// then their units and the tenths, as BCD digit pairs. Components are read
// by the leading-integer rule, divisions truncate and every byte keeps the
// low eight bits of its sum, so a component out of its range is encoded by
// the same arithmetic without a check.
controller::Message TimerFrame(uint8_t timerCode, const TimeText& time);

}  // namespace ferrule
