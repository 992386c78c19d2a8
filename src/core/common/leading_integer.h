// Reading a typed text as a number the lenient way: leading white space
// skipped, an optional sign, decimal digits up to the first other character,
// 0 when there are none. Every number the user types is read this way.
#pragma once

#include <string_view>

namespace ferrule {

// Values beyond the range of int saturate instead of overflowing.
int LeadingInteger(std::string_view text);

}  // namespace ferrule
