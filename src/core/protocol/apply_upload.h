// The Apply upload: after the shutter byte, seven messages sent one after the
// other, each once the controller has answered the one before (n + 1 bytes
// back for an n-byte message). Which step is due follows from the count of
// bytes received since Apply; the Neutral Density mode message is a byte
// longer, so with it every later step comes one count later.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/protocol/message_catalogue.h"
#include "core/timing/time_text.h"

namespace ferrule {

// The settings the upload sends, read afresh before each step.
struct UploadSettings {
    int shutterMode;
    int ndSteps;
    int triggerMode;
    int syncLevel;
    const TimeText& closed;
    const TimeText& exposure;
    std::string_view repeatCount;
    int freeRunOption;
};

struct UploadStep {
    std::optional<controller::Message> message;  // none: stalled, or a time it cannot send
    int nextAfter = 0;                           // how many more bytes until the next step
    bool last = false;                           // the running option, which ends the upload
    int number = 0;                              // 1 to 7
    // The time due cannot be sent as a timer message: the upload cannot go on.
    std::optional<std::string> unsendable;
};

// The step due when `received` bytes have come back since Apply.
UploadStep ApplyUploadStep(int received, const UploadSettings& settings);

// The repeat number as the upload sends it: "Continuous" exactly as run until
// stopped, anything else by its leading integer with no upper limit.
controller::Message UploadRepeatFrame(std::string_view repeatCount);

}  // namespace ferrule
