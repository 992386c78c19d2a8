// The controller model with the link timing of the simulated library: every
// byte the controller sends crosses the link at 128000 baud (12,800 bytes a
// second) behind those still on their way, and the controller's 4 KiB
// transmit buffer drops what a host writing faster than the link carries
// would overflow. Times are microseconds of the caller's clock; Qt-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "controller_model/controller_model.h"
#include "sim/sim_link.h"

namespace ptysim {

class PacedController {
public:
    static constexpr size_t kTransmitBuffer = 4096;

    PacedController();
    PacedController(const PacedController&) = delete;
    PacedController& operator=(const PacedController&) = delete;

    // Bytes the host wrote, arriving at nowUs.
    void HostBytes(const uint8_t* bytes, size_t count, uint64_t nowUs);
    // Appends to out the bytes that have crossed the link by nowUs.
    void TakeArrived(uint64_t nowUs, std::vector<uint8_t>* out);
    // When something next happens: a byte arrives or the controller moves.
    std::optional<uint64_t> NextEventUs() const;

private:
    void Emit(uint64_t timeUs, uint8_t byte);

    fsim::Link m_link;
    ferrule::ControllerModel m_model;
};

}  // namespace ptysim
