#include "core/timing/timer_limits.h"

namespace ferrule {

namespace {

const TimerComponentLimit kLimits[] = {
    {kMaxTimerHours, "Hours number must be less than 6! Please retype.",
     "Hours number must not be negative! Please retype."},
    {59, "Minutes number must be less than 60! Please retype.",
     "Minutes number must not be negative! Please retype."},
    {59, "Seconds number must be less than 60! Please retype.",
     "Seconds number must not be negative! Please retype."},
    {999, "Milliseconds number must be less than 1000! Please retype.",
     "Milliseconds number must not be negative! Please retype."},
    {9, "1/10 Milliseconds number must be less than 10! Please retype.",
     "1/10 Milliseconds number must not be negative! Please retype."},
};

}  // namespace

const TimerComponentLimit& TimerLimit(std::size_t component) {
    return kLimits[component];
}

std::optional<std::string> CheckTimerLimits(const std::array<int, 5>& components) {
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (components[i] < 0) {
            return kLimits[i].negative;
        }
        if (components[i] > kLimits[i].limit) {
            return kLimits[i].refused;
        }
        if (i > 0 && components[0] == kMaxTimerHours && components[i] != 0) {
            return kTimerAtMaximumMessage;
        }
    }
    return std::nullopt;
}

}  // namespace ferrule
