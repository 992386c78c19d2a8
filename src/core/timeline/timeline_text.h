// The shutter timeline in words and as a table: the summary a screen reader
// reads instead of the picture, the statement of how fine its times are, and
// the cycle table as CSV.
#pragma once

#include <string>

#include "core/timeline/shutter_timeline.h"

namespace ferrule {

// "10 cycles in 1 run. Exposure: mean deviation +0.4 ms, worst +1.0 ms (run
// 1, cycle 3). Closed: ... 0 irregular reports."
std::string TimelineSummary(const ShutterTimeline& timeline);

// How fine the times are, and why.
std::string TimelineResolution(const ShutterTimeline& timeline);

// The table's column titles, in order, and one cycle's cells.
inline constexpr int kCycleColumns = 9;
const char* CycleColumnTitle(int column);
std::string CycleCell(const ShutterTimeline::Cycle& cycle, int column);

// Every cycle kept, a header row first.
std::string CycleTableCsv(const ShutterTimeline& timeline);

// "+1.2", "-0.5", "0.0": milliseconds with one decimal and a sign.
std::string SignedMs(double ms);

}  // namespace ferrule
