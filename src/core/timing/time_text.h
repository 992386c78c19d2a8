// A time of the shutter cycle as the panel keeps it: five components, each
// the decimal text that was typed, loaded or reported, read as a number only
// when one is needed.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace ferrule {

// Hours, minutes, seconds, milliseconds and tenths of a millisecond, in that
// order. The texts are never checked against the editors' ranges.
using TimeText = std::array<std::string, 5>;

inline constexpr std::size_t kHours = 0;
inline constexpr std::size_t kMinutes = 1;
inline constexpr std::size_t kSeconds = 2;
inline constexpr std::size_t kMilliseconds = 3;
inline constexpr std::size_t kTenths = 4;

// The value of one component by the leading-integer rule: a text that is not
// a number counts as 0.
int ComponentValue(const TimeText& time, std::size_t index);

}  // namespace ferrule
