// One simulated controller on the virtual bus: its identity, the controller
// model, the link back to the host, the state of its open handle, the faults
// a test has injected, and the log of what the host wrote to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "controller_model/controller_model.h"
#include "core/link/d2xx_types.h"
#include "sim_link.h"

namespace fsim {

class Device {
public:
    // Bytes the controller still has to transmit beyond which it drops what
    // it sends: its transmit buffer, which a host writing faster than the
    // link can carry (a fast blink test) fills.
    static constexpr size_t kTransmitBuffer = 4096;
    // The written log keeps the most recent bytes only.
    static constexpr size_t kWrittenCapacity = 4u << 20;

    Device(std::string description, std::string serial);
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    const std::string& Description() const { return m_description; }
    const std::string& Serial() const { return m_serial; }
    ferrule::ControllerModel& Model() { return m_model; }
    Link& Receive() { return m_link; }

    // Runs the controller up to nowUs.
    void RunTo(uint64_t nowUs) {
        m_model.AdvanceTo(nowUs);
        if (open.feeding) {
            Feed(nowUs);
        }
    }
    // A host write: logged, then handed to the controller.
    void Write(const uint8_t* bytes, size_t count, uint64_t nowUs);
    // Bytes placed on the link as if the controller sent them.
    void Inject(const uint8_t* bytes, size_t count, uint64_t nowUs);
    const std::deque<uint8_t>& Written() const { return m_written; }
    void ClearWritten() { m_written.clear(); }

    void SetSilent(bool silent) { m_silent = silent; }

    // The open handle (0 while closed) and what it was configured with.
    struct OpenState {
        uintptr_t handle = 0;
        ULONG readTimeoutMs = 0;  // 0: a read waits until it has all it asked for
        ULONG writeTimeoutMs = 0;
        // The test stream (see FeedRate), from the host's first write on.
        bool feeding = false;
        uint64_t feedNextNs = 0;
        uint8_t feedCounter = 0;
    };
    // Injected faults; FT_OK is no fault.
    struct Faults {
        FT_STATUS queueStatus = FT_OK;
        FT_STATUS write = FT_OK;
        FT_STATUS read = FT_OK;  // for the next read only, with at most readCount bytes
        uint32_t readCount = 0;
    };

    OpenState open;
    Faults faults;

    // Bytes per second of the test stream a device sends on its own while it
    // is open, from FERRULE_SIM_FEED: the LED-blink pattern 0x40-0x4F, as a
    // controller echoing a blink test would, so that the received path can be
    // measured at the link's full rate. 0 (unset) sends nothing.
    static uint32_t FeedRate();

private:
    void Emit(uint64_t timeUs, uint8_t byte);
    void Feed(uint64_t nowUs);

    std::string m_description;
    std::string m_serial;
    Link m_link;
    ferrule::ControllerModel m_model;
    std::deque<uint8_t> m_written;
    bool m_silent = false;
};

}  // namespace fsim
