// The free-run messages: the repeat number and the running option.
#pragma once

#include "core/protocol/message_catalogue.h"

namespace ferrule {

// The largest repeat number the panel sends as a number; above it the
// controller is told to run until stopped.
inline constexpr int kMaxRepeatCount = 65000;

// 0xFA 0xF0 and the number in two bytes, high first: the low eight bits of
// the quotient by 256 and of the remainder (which keeps the number's sign),
// so 0 to 65535 go out exactly and anything else by the same arithmetic.
controller::Message RepeatCountFrame(int repeat);
// 0xFA 0xF0 0xFF 0xFF: run until stopped.
controller::Message ContinuousRepeatFrame();

// 0xFA and 0xF1 + the option: 0 On Power Up, 1 On Trigger Pulse, 2 Go.
controller::Message RunOptionFrame(int option);

}  // namespace ferrule
