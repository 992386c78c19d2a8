// D2XX statuses this library returns beyond those the program names.
#pragma once

#include "core/link/d2xx_types.h"

namespace ftty {

inline constexpr FT_STATUS kInvalidParameter = 6;
inline constexpr FT_STATUS kInvalidBaudRate = 7;

}  // namespace ftty
