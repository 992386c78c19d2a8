#include "core/timeline/configured_cycle.h"

#include "core/timing/transition_time.h"

namespace ferrule {

int64_t TimeTextTenths(const TimeText& time) {
    return ((int64_t{ComponentValue(time, kHours)} * 60 + ComponentValue(time, kMinutes)) * 60 +
            ComponentValue(time, kSeconds)) *
               10000 +
           int64_t{ComponentValue(time, kMilliseconds)} * 10 + ComponentValue(time, kTenths);
}

ConfiguredCycle ConfigureCycle(const TimeText& closed, const TimeText& exposure, int shutterMode,
                               int ndSteps) {
    // The allowance is two movements, each part doubled on its own, so half
    // of it is one movement exactly.
    const TimeAllowance both = TransitionTime{shutterMode, ndSteps}.CycleAllowance();
    return {TimeTextTenths(closed), TimeTextTenths(exposure),
            (int64_t{both.milliseconds} * 10 + both.tenths) / 2};
}

}  // namespace ferrule
