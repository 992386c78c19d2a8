#include "timing/timer_frame.h"

namespace ferrule {

namespace {

uint8_t Low8(int value) {
    return static_cast<uint8_t>(value & 0xFF);
}

}  // namespace

controller::Message TimerFrame(uint8_t timerCode, const TimeText& time) {
    const int ms = ComponentValue(time, kMilliseconds);
    return {
        {controller::kFunction, Low8(timerCode + ComponentValue(time, kHours)),
         Low8(ComponentValue(time, kMinutes)), Low8(ComponentValue(time, kSeconds)),
         Low8(ms / 100 * 16 + ms % 100 / 10), Low8(ms % 10 * 16 + ComponentValue(time, kTenths))},
        6};
}

}  // namespace ferrule
