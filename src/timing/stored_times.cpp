#include "timing/stored_times.h"

ferrule::TimeText g_strClosedTime;
ferrule::TimeText g_strExposureTime;
ferrule::TimeText g_strCycleTime;

namespace ferrule {

namespace {
constexpr int kExposureTimeSelected = 1;
}  // namespace

TimeText& DesignatedStoredTime(int timerSelect) {
    return timerSelect == kExposureTimeSelected ? g_strExposureTime : g_strClosedTime;
}

}  // namespace ferrule
