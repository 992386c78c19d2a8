#include "controller_model/controller_config.h"

namespace ferrule {

uint64_t ControllerTimerUs(const ControllerTimer& timer) {
    const uint64_t hours = timer[0] & 0x0F;
    const uint64_t seconds = hours * 3600 + uint64_t{timer[1]} * 60 + timer[2];
    const uint64_t ms = (timer[3] >> 4) * 100 + (timer[3] & 0x0F) * 10 + (timer[4] >> 4);
    const uint64_t tenths = timer[4] & 0x0F;
    return seconds * 1'000'000 + ms * 1000 + tenths * 100;
}

uint64_t ControllerTransitionUs(const ControllerConfig& config) {
    switch (config.mode) {
        case controller::kModeSoft:
            return 70'000;
        case controller::kModeNd:
            return (uint64_t{config.ndSteps} * 19'000 + 36) / 72;
        default:
            return 12'000;
    }
}

}  // namespace ferrule
