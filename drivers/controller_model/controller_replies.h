// The controller's two replies that carry data: the status reply and the
// information text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "controller_model/controller_config.h"

namespace ferrule {

inline constexpr size_t kStatusReplySize = 20;

// The status reply, the echoed 0xCC counted as byte 1. Short layout: shutter,
// mode, a reserved 0x00, trigger, SYNC, closed timer (5), exposure timer (5),
// running option, repeat high, repeat low, a reserved 0x00. In neutral
// density mode the step count follows the mode byte and the reserved byte
// moves from the end to just after it, so the reply keeps its 20 bytes.
std::array<uint8_t, kStatusReplySize> ControllerStatusReply(const ControllerConfig& config,
                                                            bool shutterOpen);

// The information text sent after the echoed 0xFD: eight characters of model,
// four of firmware version.
inline constexpr std::string_view kControllerInfoText = "QSC-1000V2.0";
static_assert(kControllerInfoText.size() == 12);

}  // namespace ferrule
