// What a cycle of a free run should measure on the link, from the stored
// closed and exposure times and the transition mode. The controller reports
// 0xAA when the opening movement starts and 0xAC when the closing movement
// starts, so from an open report to the next close report is one movement
// and the exposure time, and from a close report to the next open report one
// movement and the closed time. A run started with the shutter closed opens
// after the closed time alone.
#pragma once

#include <cstdint>

#include "core/timing/time_text.h"

namespace ferrule {

struct ConfiguredCycle {
    // In tenths of a millisecond.
    int64_t closedTenths = 0;
    int64_t exposureTenths = 0;
    int64_t movementTenths = 0;  // one opening or closing movement

    // Between the reports, in milliseconds.
    double OpenToCloseMs() const { return (exposureTenths + movementTenths) / 10.0; }
    double CloseToOpenMs() const { return (closedTenths + movementTenths) / 10.0; }
    double StartToOpenMs() const { return closedTenths / 10.0; }

    bool operator==(const ConfiguredCycle&) const = default;
};

// A stored time in tenths of a millisecond, each component read by the
// leading-integer rule.
int64_t TimeTextTenths(const TimeText& time);

ConfiguredCycle ConfigureCycle(const TimeText& closed, const TimeText& exposure, int shutterMode,
                               int ndSteps);

}  // namespace ferrule
