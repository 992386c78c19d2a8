// The display texts of the closed, exposure and cycle times. Each component
// is padded by its own value: the padding goes in front of the text as it is
// stored, and the text itself is shown unchanged, so a component that is not
// a number shows as zeros.
#pragma once

#include <string>
#include <string_view>

#include "core/timing/time_text.h"

namespace ferrule {

// A closed or exposure time, components joined by the separator (":" or
// " : "). Hours get a leading "0" whenever they are not 0, so "12" shows as
// "012".
std::string FormatTimeText(const TimeText& time, std::string_view separator);

// The cycle time as "Cycle Time - hh:mm:ss:mmm:t". Unlike the stored times,
// cycle hours of 10 or more show without a leading zero.
std::string FormatCycleTime(const TimeText& cycle);

}  // namespace ferrule
