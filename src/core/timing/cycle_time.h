// The length of one shutter cycle: the closed time, the exposure time and one
// opening and one closing in the current transition mode.
#pragma once

#include "core/timing/time_text.h"

namespace ferrule {

// Adds the two times and the mode's transition allowance component by
// component, from the tenths up, carrying into the next larger component.
// A sum of a whole base or more carries its whole quotient and keeps the
// remainder, so the tenths, milliseconds, seconds and minutes of the result
// always stay below their base unless they are negative; the hours take what
// is carried into them, however large. Components are written in plain
// decimal.
TimeText ComputeCycleTime(const TimeText& closed, const TimeText& exposure, int shutterMode,
                          int ndSteps);

}  // namespace ferrule
