// The controller's settings in the words of the command language, so that
// what `status` prints can be typed back as commands: "open", "nd", "rising",
// "0:0:1:500:0". The JSON field names of a status are fixed here too.
#pragma once

#include <cstdint>
#include <string>

#include "core/protocol/status_reply.h"
#include "core/remote/outcome.h"
#include "core/timing/time_text.h"

namespace ferrule::remote {

std::string ShutterWord(int shutter);      // open, closed
std::string ModeWord(int shutterMode);     // fast, soft, nd
std::string TriggerWord(int triggerMode);  // off, high, low, rising, falling
std::string SyncWord(int syncLevel);       // off, high, low
std::string RunOptionWord(int option);     // none, power-up, trigger, go
// A time as H:M:S:MS:T of plain numbers.
std::string TimeWord(const TimeText& time);
// A time in tenths of a millisecond.
int64_t TimeTenths(const TimeText& time);

// The settings as a status result: the JSON fields shutter, mode, steps,
// trigger, sync, closed_time, closed_ms, exposure_time, exposure_ms,
// cycle_time, cycle_ms, run, repeat (a number, or "continuous"), and the
// lines a person reads.
void DescribeSettings(const StatusValues& status, Outcome* outcome);

}  // namespace ferrule::remote
