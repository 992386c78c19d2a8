#include "core/timing/timer_frame.h"

namespace ferrule {

std::optional<TimerFault> CheckTimerTime(const TimeText& time) {
    for (std::size_t i = 0; i < time.size(); ++i) {
        const int value = ComponentValue(time, i);
        if (value < 0) {
            return TimerFault{i, TimerFault::Kind::Negative};
        }
        if (value > kTimerFrameLimit[i]) {
            return TimerFault{i, TimerFault::Kind::TooLarge};
        }
    }
    return std::nullopt;
}

std::string DescribeTimerFault(std::string_view timer, const TimerFault& fault) {
    static constexpr const char* kNames[] = {"hours", "minutes", "seconds", "milliseconds",
                                             "tenths of a millisecond"};
    return "The " + std::string(timer) + " time cannot be sent to the controller: its " +
           kNames[fault.component] + " must be 0 to " +
           std::to_string(kTimerFrameLimit[fault.component]) + ".";
}

std::optional<controller::Message> TimerFrame(uint8_t timerCode, const TimeText& time) {
    if (CheckTimerTime(time)) {
        return std::nullopt;
    }
    auto byte = [](int value) { return static_cast<uint8_t>(value); };
    const int ms = ComponentValue(time, kMilliseconds);
    return controller::Message{
        {controller::kFunction, byte(timerCode + ComponentValue(time, kHours)),
         byte(ComponentValue(time, kMinutes)), byte(ComponentValue(time, kSeconds)),
         byte(ms / 100 * 16 + ms % 100 / 10), byte(ms % 10 * 16 + ComponentValue(time, kTenths))},
        6};
}

}  // namespace ferrule
