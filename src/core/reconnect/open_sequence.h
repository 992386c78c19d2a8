// The Open button's sequence for a front end without a panel (a command line
// serving the controller): the device closed, replies the old link still
// owed dropped, the chosen device opened, configured and probed (150 ms after
// configuring), the engine's status field set to the text Open shows, the
// link marked ready or not, and the command time-outs set. A device that
// opened but did not answer the probe is closed again.
#pragma once

#include <cstdint>
#include <string>

#include "core/engine/controller_engine.h"
#include "core/link/device_opening.h"
#include "core/reconnect/device_choice.h"

namespace ferrule {

struct OpenOutcome {
    bool ready = false;
    OpenAttempt attempt;
    ProbeResult probe;
    // Why the library could not open the device, where it can tell
    // (D2xxApi::LastOpenError): an FTTY_OPEN_ERROR_ category and the reason.
    uint32_t openError = 0;
    std::string reason;
};

OpenOutcome RunOpenSequence(ControllerEngine& engine, const DeviceChoice& choice);

}  // namespace ferrule
