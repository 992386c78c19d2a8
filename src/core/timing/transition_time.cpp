#include "core/timing/transition_time.h"

#include <cstdint>
#include <cstdio>

namespace ferrule {

namespace {

constexpr int kSoftMode = 1;
constexpr int kNdMode = 2;

constexpr int kFastCycleMs = 2 * 12;
constexpr int kSoftCycleMs = 2 * 70;

// One neutral-density step to seven places: the figure a movement is split
// into milliseconds and tenths by.
constexpr double kNdStepMsRounded = 0.2638889;
// One neutral-density step, 19/72 ms, to double precision, for display.
constexpr double kNdStepMsExact = 0.2638888888888889;

TimeAllowance NdMovement(int steps) {
    // 38/144 = 19/72 in integers: the whole milliseconds, truncated toward
    // zero. 64 bits keep any step count a file may deliver from overflowing.
    const auto wholeMs = static_cast<int>(int64_t{38} * steps / 144);
    const double fraction = steps * kNdStepMsRounded - wholeMs;
    const double tenthsExact = 10 * fraction;
    auto tenths = static_cast<int>(tenthsExact);
    if (tenthsExact - tenths >= 0.5) {
        ++tenths;
    }
    return {wholeMs, tenths};
}

}  // namespace

TimeAllowance TransitionTime::CycleAllowance() const {
    switch (shutterMode) {
        case kSoftMode:
            return {kSoftCycleMs, 0};
        case kNdMode: {
            const TimeAllowance movement = NdMovement(ndSteps);
            return {2 * movement.milliseconds, 2 * movement.tenths};
        }
        default:
            return {kFastCycleMs, 0};
    }
}

std::string TransitionTime::Caption() const {
    switch (shutterMode) {
        case kSoftMode:
            return "70 ms";
        case kNdMode: {
            char text[64];
            std::snprintf(text, sizeof text, "%.2f ms", ndSteps * kNdStepMsExact);
            return text;
        }
        default:
            return "12 ms";
    }
}

std::string TransitionTime::NdRadioCaption() const {
    if (shutterMode == kNdMode) {
        return "Neutral Density - " + std::to_string(ndSteps);
    }
    return "Neutral Density";
}

}  // namespace ferrule
