// The ranges the panel's timer editors take, and the warnings it gives for a
// value outside them: the same limits for a time typed into the panel and a
// time given on the command line or over the socket.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace ferrule {

inline constexpr int kMaxTimerHours = 5;
inline constexpr const char* kTimerAtMaximumMessage =
    "Timer has reached the maximum value - 5 hours.";

struct TimerComponentLimit {
    int limit;             // the largest value the editor takes
    const char* refused;   // the warning for a value above it
    const char* negative;  // the warning for a value below 0
};

// By component: hours, minutes, seconds, milliseconds, tenths.
const TimerComponentLimit& TimerLimit(std::size_t component);

// The warning the panel gives for the first component out of range, hours
// first, or for any component other than 0 next to five hours; none when the
// panel takes the whole time.
std::optional<std::string> CheckTimerLimits(const std::array<int, 5>& components);

}  // namespace ferrule
