// The simulator's clock, in microseconds from its last restart. It follows
// real time, or in manual mode moves only when told to.
#pragma once

#include <chrono>
#include <cstdint>

namespace fsim {

class Clock {
public:
    using RealTime = std::chrono::steady_clock::time_point;

    Clock() { Restart(); }

    // Back to 0, following real time.
    void Restart();
    uint64_t NowUs() const;
    bool Manual() const { return m_manual; }
    // The time carries on from where it stands when the mode changes.
    void SetManual(bool manual);
    // Manual mode only: moves forward, never back.
    void AdvanceTo(uint64_t us);
    // The real time at which the clock shows us (real mode).
    RealTime RealTimeOf(uint64_t us) const { return m_origin + std::chrono::microseconds(us); }

private:
    bool m_manual = false;
    uint64_t m_manualUs = 0;
    RealTime m_origin;
};

}  // namespace fsim
