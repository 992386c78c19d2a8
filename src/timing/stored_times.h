// The closed and exposure times the panel keeps, and the cycle time last
// computed from them. They live as long as the process and start empty.
// GUI thread only.
#pragma once

#include "timing/time_text.h"

extern ferrule::TimeText g_strClosedTime;
extern ferrule::TimeText g_strExposureTime;
// Written only by the cycle-time computation.
extern ferrule::TimeText g_strCycleTime;

namespace ferrule {

// The stored time the timer selector designates: the exposure time for
// index 1, the closed time for anything else (none selected included).
TimeText& DesignatedStoredTime(int timerSelect);

}  // namespace ferrule
